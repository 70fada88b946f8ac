#!/usr/bin/env bash
# Runs a command inside the Wine root that scripts/make_wine_root.sh makes
# (Debian 13's Wine, which runs PE32 programs in WoW64 mode on a 64-bit-only
# machine), with the host's /proc, /dev, /sys and /tmp and the folders named
# in WINE_ROOT_BINDS (colon-separated) bound at the same paths, so that a
# path means the same inside and outside.  The binds live in a private mount
# namespace of this command alone: nothing is left mounted afterwards.  The
# command starts in the current folder, which must be one of those.
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
# unshare without --fork: the command keeps this process's id, so that a
# caller's signals and process groups reach it.
exec unshare --mount --propagation private -- /bin/bash -c '
  set -e
  root=$1; shift
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
' bash "$root" "$@"
