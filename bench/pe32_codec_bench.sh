#!/usr/bin/env bash
# Builds codec_bench as a PE32 program (i686, static, the installer's
# compile flags for the decoder) and runs it under the tests' Wine root,
# in a Wine prefix of its own made once under the build tree.  Arguments go
# to codec_bench (default: --repeat 5).
#
#   BUILD_ROOT=build bench/pe32_codec_bench.sh [--repeat N]
#
# On a machine that can't run 32-bit x86 code the Wine root hands it to
# qemu-i386, so the figures then time the emulator: compare the ratio of
# the two decoders, not the MB/s, with those of a native run.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
root=$(mkdir -p "${BUILD_ROOT:-build}" && cd "${BUILD_ROOT:-build}" && pwd)
tree="$root/bench-pe32"
cmake -S bench/pe32 -B "$tree" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$tree" --target codec_bench -j 2 >/dev/null
[ $# -gt 0 ] || set -- --repeat 5

export WINEPREFIX="$tree/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" HOME="$tree"
export WINE_ROOT_BINDS="$tree"
if [ ! -e "$WINEPREFIX/.ready" ]; then
  rm -rf "$WINEPREFIX"
  scripts/in_wine_root.sh /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  scripts/in_wine_root.sh /usr/lib/wine/wineserver -w
  touch "$WINEPREFIX/.ready"
fi
# The benchmark's scratch files go to its own folder.
cd "$tree"
status=0
"$source_dir/scripts/in_wine_root.sh" /usr/lib/wine/wine64 "$tree/codec_bench.exe" "$@" || status=$?
"$source_dir/scripts/in_wine_root.sh" /usr/lib/wine/wineserver -w
exit $status
