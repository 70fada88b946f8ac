#!/usr/bin/env bash
# What our own programs cost every package: the PE32 installer (the stub
# each package begins with) and uninstaller (carried packed), each with its
# file size and largest sections, and the fixed cost per package, that is
# the stub, the manifest and the packed uninstaller of a package without
# media files, as scrpack builds it from the sample screen saver.
#
#   BUILD_ROOT=build bench/size_report.sh [--check]
#
# --check fails (exit 1) when a figure is past its limit: the stub 36 KB,
# the uninstaller 16 KB and 10 KB packed, the fixed cost 48 KB.  The figures
# are bytes, the same at every build of the same sources.
# Needs build/win32 and the native scrpack (./build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
check=
[ "${1:-}" != --check ] || check=1
win32="$root/win32"
installer="$win32/installer.exe"
uninstaller="$win32/uninstaller/uninstaller.exe"

sections() { # the five largest, by their size in memory
  i686-w64-mingw32-objdump -h "$1" | while read -r index name size _; do
    [[ $index =~ ^[0-9]+$ ]] && echo "$((16#$size)) $name"
  done | sort -rn | head -5 | awk '{ printf "%s %d  ", $2, $1 }'
}

package=$(mktemp --suffix=.exe)
trap 'rm -f "$package"' EXIT
"$root/native/scrpack" build --name Lanterns --saver "$win32/samples/Lanterns.scr" \
  --data "$win32/samples/Lanterns.dat" --stub "$installer" --uninstaller "$uninstaller" \
  -o "$package" >/dev/null
# scrpack list: one row per file, its stored size third, its installed name
# last; the fixed cost is all but the screen saver's own two files.
own=$("$root/native/scrpack" list "$package" | awk '$1 ~ /^[0-9]+$/ && $NF != "UNINSTAL.EXE" { sum += $3 } END { print sum }')
packed=$("$root/native/scrpack" list "$package" | awk '$1 ~ /^[0-9]+$/ && $NF == "UNINSTAL.EXE" { print $3 }')
fixed=$(($(stat -c %s "$package") - own))
installer_size=$(stat -c %s "$installer")
uninstaller_size=$(stat -c %s "$uninstaller")

printf "%-16s %7s  %s\n" program bytes "largest sections (bytes in memory)"
printf "%-16s %7d  %s\n" installer.exe "$installer_size" "$(sections "$installer")"
printf "%-16s %7d  %s\n" uninstaller.exe "$uninstaller_size" "$(sections "$uninstaller")"
printf "%-16s %7d  (packed in the package)\n" uninstaller.exe "$packed"
printf "%-16s %7d  (stub, manifest and packed uninstaller of a package without media)\n" "fixed cost" "$fixed"

[ -n "$check" ] || exit 0
failed=0
limit() { # name, bytes, limit
  if [ "$2" -gt "$3" ]; then
    echo "$1: $2 bytes, past the limit of $3" >&2
    failed=1
  fi
}
limit installer.exe "$installer_size" $((36 * 1024))
limit uninstaller.exe "$uninstaller_size" $((16 * 1024))
limit "packed uninstaller" "$packed" $((10 * 1024))
limit "fixed cost" "$fixed" $((48 * 1024))
exit $failed
