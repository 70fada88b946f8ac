#!/usr/bin/env bash
# Makes the Wine root the end-to-end tests run the PE32 programs in, and
# lets this machine run its 32-bit half.  Safe to run again: a complete root
# is kept, an incomplete one is made anew.
#
# The root is a minimal Debian 13 with its Wine 10: wine64 for the 64-bit
# Windows side and wine32 (i386) for the 32-bit side, in one 64-bit prefix,
# so that a PE32 program is a 32-bit program on 64-bit Windows (registry
# redirection to WOW6432Node included).  Some virtual machines cannot run
# 32-bit x86 code at all (no compatibility code segment, no int 0x80), which
# Wine's 32-bit side needs; so i386 Linux programs are handed to qemu-i386
# (user-mode emulation, binfmt_misc) on every machine, and the tests see
# the same Wine wherever they run.
#
# WINE_ROOT chooses the folder (default /var/lib/glimmerkit/wine-root,
# outside any build tree).  Needs root.
set -euo pipefail
root=${WINE_ROOT:-/var/lib/glimmerkit/wine-root}
# Raise when the recipe below changes: a root made by an older one is made anew.
recipe=2
stamp="$root/.complete"

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
  echo "make_wine_root: making the Wine root in $root (a few minutes)" >&2
  rm -rf "$root.new"
  mkdir -p "$(dirname "$root")"
  debootstrap --variant=minbase trixie "$root.new" http://deb.debian.org/debian >/dev/null
  root="$root.new" in_root /bin/sh -c "
    set -e
    dpkg --add-architecture i386
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends ${packages[*]} >/dev/null
    apt-get clean
  "
  echo "$recipe" > "$root.new/.complete"
  rm -rf "$root"
  mv "$root.new" "$root"
  # A registration made for the old root holds its qemu open: make it anew.
  [ ! -e /proc/sys/fs/binfmt_misc/glimmerkit-i386 ] || echo -1 > /proc/sys/fs/binfmt_misc/glimmerkit-i386
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

# i386 ELF programs run under the root's qemu-i386.  The F flag opens the
# interpreter now, so that it serves inside the root too.  The registration
# lasts until the machine restarts.
binfmt=/proc/sys/fs/binfmt_misc
mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt"
if [ ! -e "$binfmt/glimmerkit-i386" ]; then
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf ':glimmerkit-i386:M::%s:%s:%s:OCF\n' "$magic" "$mask" "$root/usr/bin/qemu-i386" > "$binfmt/register"
fi
