#!/usr/bin/env bash
# Sets up the machine, builds all three trees and runs every test: native
# unit tests (ASan+UBSan), end-to-end tests of the PE32 product under Wine,
# short fuzz runs and the static checks.  BUILD_ROOT chooses another
# folder than build/ for all of it, as in build.sh.
set -euo pipefail
cd "$(dirname "$0")"
root=${BUILD_ROOT:-build}
scripts/setup.sh
./build.sh
status=0
if [ -x fuzz/run_short.sh ]; then
  fuzz/run_short.sh || status=1
fi
# clang-tidy and cppcheck over all three trees (and the fuzz tree).
scripts/static_checks.sh || status=1
# The set-up's probe: how the Wine root's 32-bit half runs on this machine.
echo "The end-to-end tests run 32-bit x86 programs $(sed 's/^emulated$/emulated, under qemu-i386/' \
  "${WINE_ROOT:-/var/lib/glimmerkit/wine-root}/.i386") on this machine."
ctest --test-dir "$root/native" --output-on-failure -j 2 || status=1
exit $status
