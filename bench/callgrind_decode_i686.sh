#!/usr/bin/env bash
# Counts the instructions the 32-bit installer's decoder spends per output
# byte: the decoder, compiled for i686 with the installer's compiler (GCC
# 12) and flags, decodes sample blocks under callgrind, once as ExpandFile
# runs it and once as the plain decoder.  The decoding loop comes out as in
# the mingw build, instruction for instruction but for alignment padding;
# only the C library under it is Linux's, so that valgrind can run it
# (valgrind runs 32-bit x86 code also where the machine itself can't).
#
#   BUILD_ROOT=build bench/callgrind_decode_i686.sh
#
# Needs gcc-i686-linux-gnu and libc6-dev-i386-cross (scripts/setup.sh) and
# the native bench tree (made here), which writes the sample blocks.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
tree="$root/bench"
out="$root/bench-i686"
cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=Release -DSANITIZE=OFF -DBUILD_BENCH=ON >/dev/null
cmake --build "$tree" --target codec_bench -j 2 >/dev/null
mkdir -p "$out/obj"

# The mingw i686 compiler's defaults (pentiumpro, tuned generic, outgoing arguments
# accumulated) and the flags the installer builds its decoding loop with
# (DECODER_SOURCES in cmake/sources.cmake: -O2, while the rest of the
# installer is built for size), against the i686 C library.
cxx=(g++ -m32 -std=c++17 -O2 -march=pentiumpro -mtune=generic -maccumulate-outgoing-args -fno-pie
     -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
     -nostdinc -isystem /usr/i686-linux-gnu/include -isystem "$(i686-linux-gnu-gcc -print-file-name=include)"
     -I. -Wall -Wextra -Werror)
for source in package/huffman_rules.cpp package/position_code.cpp package/huffman_tree.cpp \
    package/read_ptr.cpp package/write_ptr.cpp package/bit_input.cpp package/read_symbol.cpp \
    package/decode_position.cpp package/decode_block.cpp bench/decode_file.cpp; do
  "${cxx[@]}" -c "$source" -o "$out/obj/$(basename "$source" .cpp).o"
done
i686-linux-gnu-gcc -static -no-pie "$out"/obj/*.o -o "$out/decode_file"

cg=$(mktemp)
trap 'rm -f "$cg"' EXIT
count() { # $1: function to collect in, then decode_file's arguments
  local collect=$1
  shift
  valgrind --tool=callgrind --callgrind-out-file="$cg" --toggle-collect="$collect" \
    "$out/decode_file" "$@" >/dev/null 2>&1
  callgrind_annotate "$cg" 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1; exit}'
}
printf "%-8s %9s %14s %14s\n" "i686" "bytes" "plain instr/B" "installer instr/B"
for sample in audio:2097152 text:1572864 bitmap:1048576 program:2097152; do
  kind=${sample%%:*}
  bytes=${sample##*:}
  "$tree/bench/codec_bench" --write-block "$kind" "$bytes" 1 "$out/$kind.block"
  plain=$(count 'plain::DecodeBlock*' "$out/$kind.block" "$bytes" --plain)
  fast=$(count 'InstallerDecodeBlock*' "$out/$kind.block" "$bytes")
  awk -v k="$kind" -v b="$bytes" -v p="$plain" -v f="$fast" \
    'BEGIN { printf "%-8s %9d %14.1f %14.1f  (%.2fx fewer)\n", k, b, p / b, f / b, p / f }'
done
