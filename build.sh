#!/usr/bin/env bash
# Builds everything: build/native (scrpack, stubfix, unit tests), then the
# installer for win32 (the product, which the end-to-end tests run) and win64
# (kept for the test that both builds install the same bytes).
# BUILD_ROOT chooses another folder than build/ for all three trees.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc 2>/dev/null || echo 2)
root=${BUILD_ROOT:-build}

cmake -S . -B "$root/native" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$root/native" -j "$jobs"

for target in win32:i686 win64:x86_64; do
  dir=${target%%:*}
  arch=${target##*:}
  cmake -S . -B "$root/$dir" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-mingw.cmake" \
    -DSTUBFIX="$(cd "$root" && pwd)/native/stubfix" >/dev/null
  cmake --build "$root/$dir" -j "$jobs"
done
