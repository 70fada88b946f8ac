#!/usr/bin/env bash
# Static checks of every source of the three builds: the include directions
# (scripts/check_includes.py), clang-tidy with the checks chosen below, then
# cppcheck.  Any finding fails the script (exit 1).
#
#   BUILD_ROOT=build scripts/static_checks.sh
#
# Needs the trees that build.sh makes (their compile_commands.json): native
# for scrpack, stubfix, the portable core and the unit tests; win32 for the
# installer, the uninstaller, the sample and the Windows test helpers; win64
# for what only it builds (the test probes); scrpack-win64 for scrpack's
# Windows side.  The fuzz tree that fuzz/run_short.sh makes is checked too
# when it is there.
#
# clang-tidy checks, chosen for faults rather than style:
#   clang-analyzer-*  path-sensitive analysis: null and dangling pointers,
#                     uninitialised reads, leaks, bad buffer and string calls
#   bugprone-*        likely mistakes (sizeof misuse, integer overflow
#                     before widening to a size, suspicious memset/strncmp,
#                     signed char misuse, infinite loops, ...)
#   cert-*            CERT C/C++ rules (atoi without error report, setjmp,
#                     rand, float loop counters, ...)
#   misc-*, performance-*, portability-*
# minus these, each for the reason given:
#   bugprone-easily-swappable-parameters  the format's operations take
#       several offsets and sizes of one type by design (ExpandFile, ...)
#   bugprone-implicit-widening-of-multiplication-result  every case is a
#       small format constant times an index that can't overflow
#   bugprone-narrowing-conversions  flags every size_t used as an iterator
#       distance; the format's narrowing is explicit and checked by tests
#   bugprone-not-null-terminated-result  the package's name tails are
#       fixed-width fields that the format leaves unterminated
#   cert-err33-c  the design ignores results on purpose (folder creation,
#       closing, printing) and says so where it does
#   cert-env33-c  only tests call system(), to set up their fixtures
#   cert-dcl50-cpp  the procedural code's printf-like helpers, checked by
#       -Wformat instead
#   cert-err58-cpp  test helpers' global containers, default-constructed
#   concurrency-mt-unsafe  the installer is one thread; scrpack's workers
#       call none of the flagged functions (getenv, strerror, exit)
#   misc-non-private-member-variables-in-classes  plain data of tests
#   misc-no-recursion  the one recursion is the three-level resource walk
#   performance-inefficient-string-concatenation  error texts, built once
#   performance-no-int-to-ptr  Windows passes pointers in message parameters
# The analyzer skips the gtest unit tests: inside the test macros it takes
# half a minute a file; the other checks but performance-* run on them.
#
# cppcheck runs with --enable=warning,performance,portability and
# --inconclusive over the same compile databases (Windows sources with its
# windows library, the unit tests with its googletest library), each
# finding an error, except arrayIndexOutOfBoundsCond in the two adaptive
# Huffman trees (package/huffman_tree.cpp, scrpack/codec/symbol_coder.cpp): it
# takes every child index below T for one that may be T, not knowing that
# the root is nobody's child.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(cd "${BUILD_ROOT:-build}" && pwd)
source_dir=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

checks='-*,clang-analyzer-*,bugprone-*,cert-*,misc-*,performance-*,portability-*'
checks+=',-bugprone-easily-swappable-parameters,-bugprone-implicit-widening-of-multiplication-result'
checks+=',-bugprone-narrowing-conversions,-bugprone-not-null-terminated-result'
checks+=',-cert-err33-c,-cert-env33-c,-cert-dcl50-cpp,-cert-err58-cpp,-concurrency-mt-unsafe'
checks+=',-misc-non-private-member-variables-in-classes,-misc-no-recursion'
checks+=',-performance-inefficient-string-concatenation,-performance-no-int-to-ptr'
test_checks="$checks,-clang-analyzer-*,-performance-*"
headers="^$source_dir/(package|system_dlls|flow|engine|scrpack|resources|tools|uninstaller|samples|fuzz|bench|tests)/"

# Each tree's compile database without entries for files that are gone (a
# tree configured before a file was removed still lists it).
for tree in native win32 win64 scrpack-win64 fuzz; do
  [ -f "$root/$tree/compile_commands.json" ] || continue
  mkdir -p "$work/$tree"
  python3 - "$root/$tree/compile_commands.json" "$work/$tree/compile_commands.json" <<'EOF'
import json, os, sys
entries = [e for e in json.load(open(sys.argv[1]))
           if os.path.exists(os.path.join(e["directory"], e["file"]))]
json.dump(entries, open(sys.argv[2], "w"), indent=1)
EOF
done

# The sources of a compile database, one a line; with a second database,
# only those it does not hold.
sources() {
  python3 - "$@" <<'EOF'
import json, sys
files = [entry["file"] for entry in json.load(open(sys.argv[1]))]
if len(sys.argv) > 2:
    other = {entry["file"] for entry in json.load(open(sys.argv[2]))}
    files = [f for f in files if f not in other]
print("\n".join(sorted(set(files))))
EOF
}

# clang needs the cross compiler's own headers for the Windows trees: its
# C++ library and the mingw-w64 headers, with clang's own in place of gcc's.
# The compiler is TRIPLE-g++ unless a second argument names another.
windows_args() {
  local triple=$1 compiler=${2:-$1-g++} dir
  echo "--extra-arg=--target=$triple --extra-arg=-nostdinc"
  echo | "$compiler" -E -x c++ - -v 2>&1 | sed -n '/search starts here:/,/End of search/p' |
    grep '^ /' | while read -r dir; do
      case $dir in */include|*/include-fixed) [[ $dir == */c++* || $dir == */$triple/include ]] || continue ;; esac
      echo "--extra-arg=-isystem$(realpath "$dir")"
    done
  echo "--extra-arg=-isystem$(clang -print-resource-dir)/include"
}

# A finding anywhere leaves this file (tidy runs at the end of pipelines,
# in subshells of their own).
failed="$work/failed"
tidy() { # database-folder checks args... < files
  local database=$1 use_checks=$2
  shift 2
  xargs -r -P "$jobs" -n 4 clang-tidy -p "$database" --quiet --checks="$use_checks" \
    --warnings-as-errors='*' --header-filter="$headers" "$@" >>"$work/tidy.log" 2>&1 || touch "$failed"
}

echo "== include directions"
python3 scripts/check_includes.py || touch "$failed"

echo "== clang-tidy"
sources "$work/native/compile_commands.json" | grep -v "/tests/unit/" | tidy "$work/native" "$checks"
sources "$work/native/compile_commands.json" | grep "/tests/unit/" | tidy "$work/native" "$test_checks"
# shellcheck disable=SC2046
sources "$work/win32/compile_commands.json" | tidy "$work/win32" "$checks" $(windows_args i686-w64-mingw32)
# shellcheck disable=SC2046
sources "$work/win64/compile_commands.json" "$work/win32/compile_commands.json" |
  tidy "$work/win64" "$checks" $(windows_args x86_64-w64-mingw32)
# scrpack.exe: scrpack's own sources as Windows sees them (the core is
# checked in the trees above).
# shellcheck disable=SC2046
sources "$work/scrpack-win64/compile_commands.json" | grep "/scrpack/" |
  tidy "$work/scrpack-win64" "$checks" $(windows_args x86_64-w64-mingw32 x86_64-w64-mingw32-g++-posix)
if [ -f "$work/fuzz/compile_commands.json" ]; then
  sources "$work/fuzz/compile_commands.json" | grep "/fuzz/" | tidy "$work/fuzz" "$checks"
else
  echo "(no fuzz tree under $root: fuzz/run_short.sh makes it)"
fi
grep -E 'warning:|error:' "$work/tidy.log" | sed "s|$source_dir/||" | sort -u || true

echo "== cppcheck"
cppcheck_run() { # database extra-args...
  local database=$1
  shift
  cppcheck --project="$database" --enable=warning,performance,portability --inconclusive --quiet \
    --error-exitcode=1 --inline-suppr --suppress=missingIncludeSystem -j "$jobs" \
    --suppress="arrayIndexOutOfBoundsCond:$source_dir/package/huffman_tree.cpp" \
    --suppress="arrayIndexOutOfBoundsCond:$source_dir/scrpack/codec/symbol_coder.cpp" \
    --cppcheck-build-dir="$work/cppcheck-$(basename "$(dirname "$database")")" "$@" 2>>"$work/cppcheck.log" ||
    touch "$failed"
}
for tree in native win32 win64 scrpack-win64; do
  mkdir -p "$work/cppcheck-$tree"
done
cppcheck_run "$work/native/compile_commands.json" --library=googletest
cppcheck_run "$work/win32/compile_commands.json" --library=windows -D_WIN32 -D__MINGW32__
cppcheck_run "$work/win64/compile_commands.json" --library=windows -D_WIN32 -D_WIN64 -D__MINGW32__
# scrpack.exe: only scrpack's own sources, as for clang-tidy.
cppcheck_run "$work/scrpack-win64/compile_commands.json" --library=windows -D_WIN32 -D_WIN64 -D__MINGW32__ \
  --file-filter="$source_dir/scrpack/*"
sed "s|$source_dir/||" "$work/cppcheck.log" | sort -u

if [ -e "$failed" ]; then
  echo "static checks: findings above"
  exit 1
fi
echo "static checks: clean"
