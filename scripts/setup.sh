#!/usr/bin/env bash
# Installs what the project needs on a fresh Debian machine (run as root, or
# with sudo available).  Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
  cmake g++ make python3
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix binutils-mingw-w64
  debootstrap gcc-i686-linux-gnu libc6-dev-i386-cross
  xvfb xauth imagemagick
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  valgrind clang-tidy cppcheck
  osslsigncode openssl
  dpkg-dev help2man lintian
)
scripts_dir=$(dirname "$0")
# shellcheck source=progress.sh
. "$scripts_dir/progress.sh"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  step "setup: the package lists (apt-get update)" $sudo apt-get update -q
  step "setup: installing ${#missing[@]} packages (apt-get install)" $sudo env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The Wine root the end-to-end tests run the PE32 programs in.
if [ "$(id -u)" -eq 0 ]; then
  "$scripts_dir/make_wine_root.sh"
else
  sudo "$scripts_dir/make_wine_root.sh"
fi
