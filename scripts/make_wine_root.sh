#!/usr/bin/env bash
# Makes the Wine root the end-to-end tests run the PE32 programs in, and
# finds out how this machine runs its 32-bit half.  Safe to run again: a
# complete root is kept, an incomplete one is made anew.
#
# The root is a minimal Debian 13 with its Wine 10: wine64 for the 64-bit
# Windows side and wine32 (i386) for the 32-bit side, in one 64-bit prefix,
# so that a PE32 program is a 32-bit program on 64-bit Windows (registry
# redirection to WOW6432Node included).  Some virtual machines cannot run
# 32-bit x86 code at all (no compatibility code segment, no int 0x80), which
# Wine's 32-bit side needs.  There scripts/in_wine_root.sh hands i386 Linux
# programs to the root's qemu-i386 (user-mode emulation), through a
# binfmt_misc instance of each command's own; elsewhere they run natively.
# The machine itself is left as it was: no binfmt_misc entry, no mount.
#
# WINE_ROOT chooses the folder (default /var/lib/glimmerkit/wine-root,
# outside any build tree).  Needs root.
set -euo pipefail
root=${WINE_ROOT:-/var/lib/glimmerkit/wine-root}
# Raise when the recipe below changes: a root made by an older one is made anew.
recipe=2
stamp="$root/.complete"
scripts_dir=$(dirname "$0")
# shellcheck source=progress.sh
. "$scripts_dir/progress.sh"

packages=(
  wine64 wine32:i386 libwine libwine:i386
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  qemu-user fonts-wine
)

in_root() {
  unshare --mount --propagation private -- /bin/bash -c \
    'mount -t proc proc "$1/proc" && mount --rbind /dev "$1/dev" && shift && exec chroot "$@"' \
    bash "$root" "$root" "$@"
}

if [ "$(cat "$stamp" 2>/dev/null)" != "$recipe" ]; then
  echo "make_wine_root: making the Wine root in $root (about 2 minutes)" >&2
  rm -rf "$root.new"
  mkdir -p "$(dirname "$root")"
  step "make_wine_root: a minimal Debian 13 (debootstrap)" \
    debootstrap --variant=minbase trixie "$root.new" http://deb.debian.org/debian
  root="$root.new" step "make_wine_root: Wine 10 and qemu-i386 in the root (apt-get)" in_root /bin/sh -c "
    set -e
    dpkg --add-architecture i386
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends ${packages[*]}
    apt-get clean
  "
  echo "$recipe" > "$root.new/.complete"
  rm -rf "$root"
  mv "$root.new" "$root"
fi

# Our 32-bit Wine loader in place of Debian's (see scripts/wine_loader.c),
# built with the host's i686 cross compiler; Debian's stays as wine.debian.
loader=$(mktemp)
i686-linux-gnu-gcc -O2 -Wall -Wextra -Werror -no-pie -fno-pie -Wl,-Ttext-segment=0x7d000000 \
  -Wl,--export-dynamic-symbol=wine_main_preload_info \
  -o "$loader" "$(dirname "$0")/wine_loader.c" -ldl
if ! cmp -s "$loader" "$root/usr/lib/wine/wine"; then
  [ -e "$root/usr/lib/wine/wine.debian" ] || cp -p "$root/usr/lib/wine/wine" "$root/usr/lib/wine/wine.debian"
  install -m 755 "$loader" "$root/usr/lib/wine/wine"
fi
rm -f "$loader"

# Can this machine run 32-bit x86 code itself?  A small static i386 program
# is run with no binfmt_misc entry in its way (an empty instance in a user
# namespace of its own), and the answer goes into the root's .i386, which
# scripts/in_wine_root.sh reads.  A kernel before 6.7 has no such instance
# and cannot give in_wine_root.sh one either: there the program runs as it
# is, and only the native way can work.
probe=$(mktemp -d)
printf 'int main(void) { return 42; }\n' | i686-linux-gnu-gcc -static -x c -o "$probe/i386" -
mkdir "$probe/binfmt"
status=0
unshare --user --map-root-user --mount -- /bin/sh -c \
  'mount -t binfmt_misc binfmt_misc "$1/binfmt" || exit 100; exec "$1/i386"' sh "$probe" 2>/dev/null || status=$?
way=emulated
if [ "$status" -eq 42 ]; then
  way=native
elif [ "$status" -eq 100 ]; then
  echo "make_wine_root: this kernel has one binfmt_misc for the whole machine, not one per user namespace (Linux 6.7)" >&2
  way=unsupported
  status=0
  "$probe/i386" 2>/dev/null || status=$?
  [ "$status" -ne 42 ] || way=native
fi
rm -rf "$probe"
case $way in
  native) echo "make_wine_root: this machine runs 32-bit x86 programs natively" >&2 ;;
  emulated) echo "make_wine_root: this machine cannot run 32-bit x86 programs: the tests run them under qemu-i386" >&2 ;;
  *) echo "make_wine_root: this machine can neither run 32-bit x86 programs nor emulate them without a machine-wide binfmt_misc entry; the tests need Linux 6.7 or later here" >&2
     exit 1 ;;
esac
[ "$(cat "$root/.i386" 2>/dev/null)" = "$way" ] || echo "$way" > "$root/.i386"
