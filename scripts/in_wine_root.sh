#!/usr/bin/env bash
# Runs a command inside the Wine root that scripts/make_wine_root.sh makes
# (Debian 13's Wine: wine64 and the 32-bit half in one 64-bit prefix), with
# the host's /proc, /dev, /sys and /tmp and the folders named in
# WINE_ROOT_BINDS (colon-separated) bound at the same paths, so that a path
# means the same inside and outside.  The command starts in the current
# folder, which must be one of those.  The binds live in a mount namespace
# of the command's own: nothing is left mounted afterwards.
#
# Where this machine cannot run 32-bit x86 code itself (the set-up's probe,
# recorded in the root's .i386), the command also runs in a user namespace
# (root inside is root outside) with a binfmt_misc instance of its own
# (Linux 6.7 and later) that hands i386 programs to the root's qemu-i386.
# The machine's own binfmt_misc entries are not seen there, and ours is gone
# once the last process in the namespace has ended.  All processes of one
# Wine prefix share one such namespace: the command joins the one of the
# prefix's running wineserver, if there is one.  The server reads and writes
# its processes' memory (debugging), which the kernel refuses across
# sibling user namespaces.
#
#   scripts/in_wine_root.sh /usr/lib/wine/wine64 program.exe [ARGS...]
set -euo pipefail
export PATH="$PATH:/usr/sbin:/sbin"
root=${WINE_ROOT:-/var/lib/glimmerkit/wine-root}
if [ ! -e "$root/.complete" ]; then
  echo "in_wine_root: no Wine root at $root (run scripts/setup.sh)" >&2
  exit 127
fi
[ $# -gt 0 ] || { echo "usage: in_wine_root.sh COMMAND [ARGS...]" >&2; exit 2; }
way=$(cat "$root/.i386" 2>/dev/null || echo emulated)

# In a new mount namespace: with "emulated", the user namespace's
# binfmt_misc instance on the root's /mnt and our entry in it, unless a
# command before made it (the F flag opens the interpreter now, so that it
# serves inside the root too); then the binds and the command.
enter='
  set -e
  root=$1 way=$2
  shift 2
  if [ "$way" = emulated ]; then
    mount -t binfmt_misc binfmt_misc "$root/mnt"
    if [ ! -e "$root/mnt/glimmerkit-i386" ]; then
      magic="\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00"
      mask="\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff"
      printf ":glimmerkit-i386:M::%s:%s:%s:OCF\n" "$magic" "$mask" "$root/usr/bin/qemu-i386" \
        > "$root/mnt/register" 2>/dev/null || [ -e "$root/mnt/glimmerkit-i386" ]
    fi
  fi
  binds=(/proc /dev /sys /tmp)
  IFS=: read -r -a extra <<< "${WINE_ROOT_BINDS:-}"
  for folder in "${extra[@]}" "$PWD"; do
    [ -n "$folder" ] && [ -d "$folder" ] && binds+=("$folder")
  done
  for folder in "${binds[@]}"; do
    mkdir -p "$root$folder"
    mount --rbind "$folder" "$root$folder"
  done
  exec chroot "$root" /bin/sh -c "cd \"\$0\" && exec \"\$@\"" "$PWD" "$@"
'
if [ "$way" = emulated ]; then
  # The prefix's server holds the lock file in its folder (Debian's Wine
  # names the folder's parent in the prefix's file "wineserver").
  server=
  prefix=${WINEPREFIX:-}
  if [ -n "$prefix" ] && [ -r "$prefix/wineserver" ]; then
    lock="/tmp/$(cat "$prefix/wineserver")/server-$(stat -c %D "$prefix")-$(printf %x "$(stat -c %i "$prefix")")/lock"
    [ ! -e "$lock" ] || server=$(awk -v inode="$(stat -c %i "$lock")" '$(NF-2) ~ ":" inode "$" { print $(NF-3); exit }' /proc/locks)
  fi
  # unshare without --fork: the command keeps this process's id, so that a
  # caller's signals and process groups reach it.
  # A server in this user namespace (started by other means) reaches every
  # namespace below it.
  if [ -n "$server" ] && [ "$(readlink "/proc/$server/ns/user")" != "$(readlink /proc/self/ns/user)" ]; then
    exec nsenter --preserve-credentials --user --target "$server" -- \
      unshare --mount --propagation private -- /bin/bash -c "$enter" bash "$root" "$way" "$@"
  fi
  exec unshare --user --map-root-user --mount --propagation private -- /bin/bash -c "$enter" bash "$root" "$way" "$@"
fi
exec unshare --mount --propagation private -- /bin/bash -c "$enter" bash "$root" native "$@"
