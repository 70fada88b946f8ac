#!/usr/bin/env bash
# Counts the instructions the decoders spend per output byte on a 2 MB
# 16-bit stereo WAV: builds the benchmark (Release, no sanitizers) and runs
# its --decode-wav mode under callgrind, collecting inside the decoding
# call only, once for the installer's decoder (as ExpandFile runs it) and
# once for the plain decoder it is measured against.
set -euo pipefail
cd "$(dirname "$0")/.."
tree=${BUILD_ROOT:-build}/bench
cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=Release -DSANITIZE=OFF -DBUILD_BENCH=ON >/dev/null
cmake --build "$tree" --target codec_bench -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
out=$(mktemp)
trap 'rm -f "$out"' EXIT
bytes=$((2 << 20))
count() { # $1: function to collect in, then codec_bench's arguments
  local collect=$1
  shift
  valgrind --tool=callgrind --callgrind-out-file="$out" --toggle-collect="$collect" \
    "$tree/bench/codec_bench" "$@" >/dev/null 2>&1
  callgrind_annotate "$out" 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1; exit}'
}
fast=$(count '*InstallerDecodeBlock*' --decode-wav)
plain=$(count 'plain::DecodeBlock*' --decode-wav --plain)
awk -v f="$fast" -v p="$plain" -v b="$bytes" 'BEGIN {
  printf "plain decoder:     %d instructions for %d bytes, %.1f per output byte\n", p, b, p / b
  printf "installer decoder: %d instructions for %d bytes, %.1f per output byte (%.2fx fewer)\n", f, b, f / b, p / f
}'
