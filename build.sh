#!/usr/bin/env bash
# Builds everything: build/native (scrpack, stubfix, unit tests), then the
# installer for win32 (the product, which the end-to-end tests run) and win64
# (kept for the test that both builds install the same bytes), then
# scrpack.exe for Windows and its zip (build/scrpack-win64), and last the
# Debian package of scrpack (build/packages).
# BUILD_ROOT chooses another folder than build/ for all of them.
#
#   ./build.sh --demo   only what ./demo.sh shows: the win32 tree and the
#                       native scrpack and stubfix (which the win32 tree needs)
set -euo pipefail
cd "$(dirname "$0")"
demo=
if [ "${1:-}" = --demo ]; then
  demo=1
  shift
fi
jobs=$(nproc 2>/dev/null || echo 2)
root=${BUILD_ROOT:-build}
mkdir -p "$root"
absolute_root=$(cd "$root" && pwd)

# The native tree installs the win32 tree's installer and uninstaller
# (cmake --install, the Debian package); the win32 tree is built after it,
# as it needs the native stubfix.
cmake -S . -B "$root/native" -DCMAKE_BUILD_TYPE=Release -DWIN32_BUILD_DIR="$absolute_root/win32" "$@" >/dev/null
cmake --build "$root/native" -j "$jobs" ${demo:+--target scrpack stubfix}

trees="win32:i686 win64:x86_64"
[ -z "$demo" ] || trees="win32:i686"
for target in $trees; do
  dir=${target%%:*}
  arch=${target##*:}
  cmake -S . -B "$root/$dir" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch-mingw.cmake" \
    -DSTUBFIX="$absolute_root/native/stubfix" >/dev/null
  cmake --build "$root/$dir" -j "$jobs"
done

[ -z "$demo" ] || exit 0

cmake -S . -B "$root/scrpack-win64" -DCMAKE_BUILD_TYPE=Release -DSCRPACK_WINDOWS=ON \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-mingw-posix.cmake \
  -DWIN32_BUILD_DIR="$absolute_root/win32" >/dev/null
cmake --build "$root/scrpack-win64" -j "$jobs"

# The Debian package of scrpack with the stub and the uninstaller.
cpack --config "$root/native/CPackConfig.cmake" -B "$root/packages" >/dev/null
