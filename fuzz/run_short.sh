#!/usr/bin/env bash
# Builds the codec's fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each for a short, bounded time from
# the seed corpus in fuzz/seeds/.  CI calls it as it is.
#
# Longer runs: FUZZ_SECONDS=3600 fuzz/run_short.sh (FUZZ_TARGETS="manifest_reader
# scrpack_list" chooses targets), or run a target by hand
# with a corpus folder of your own that keeps what it finds:
#   mkdir -p /tmp/corpus && cp fuzz/seeds/decode_block/* /tmp/corpus/
#   build/fuzz/fuzz/decode_block_fuzzer /tmp/corpus -max_len=70000 -jobs=2
# A crash leaves crash-<hash> in the current folder; run the target on that
# file alone to reproduce it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
seconds=${FUZZ_SECONDS:-25}
tree="$root/fuzz"

CC=clang CXX=clang++ cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=Release \
  -DBUILD_FUZZERS=ON -DSANITIZE=OFF >/dev/null
targets=${FUZZ_TARGETS:-decode_block round_trip decode_differential manifest_reader scrpack_list application_manifest}
cmake --build "$tree" --target $(printf '%s_fuzzer ' $targets) make_package_seeds -j "$(nproc 2>/dev/null || echo 2)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in $targets; do
  # A scratch copy of the seeds: what a short run finds is not kept.  The
  # package targets start from packages that scrpack's writer makes now.
  mkdir -p "$work/$target"
  if [ -d fuzz/seeds/$target ]; then
    cp fuzz/seeds/$target/* "$work/$target/"
  else
    "$tree/fuzz/make_package_seeds" "$work/$target"
  fi
  echo "== ${target}_fuzzer for ${seconds}s"
  if ! "$tree/fuzz/${target}_fuzzer" "$work/$target" -max_total_time="$seconds" \
       -max_len=70000 -timeout=20 -print_final_stats=1 -artifact_prefix="$work/" \
       2>"$work/$target.log"; then
    status=1
    tail -n 60 "$work/$target.log"
    for crash in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
      [ -e "$crash" ] && { echo "input: $crash"; xxd "$crash" | head -n 20; }
    done
  else
    grep -E '^stat::number_of_executed_units|^Done' "$work/$target.log" || true
  fi
done
exit $status
