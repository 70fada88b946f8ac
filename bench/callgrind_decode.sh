#!/usr/bin/env bash
# Counts the instructions the decoder spends per output byte on a 2 MB
# 16-bit stereo WAV: builds the benchmark (Release, no sanitizers) and runs
# its --decode-wav mode under callgrind, collecting inside DecodeBlock only.
set -euo pipefail
cd "$(dirname "$0")/.."
tree=${BUILD_ROOT:-build}/bench
cmake -S . -B "$tree" -DCMAKE_BUILD_TYPE=Release -DSANITIZE=OFF -DBUILD_BENCH=ON >/dev/null
cmake --build "$tree" --target codec_bench -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
out=$(mktemp)
trap 'rm -f "$out"' EXIT
valgrind --tool=callgrind --callgrind-out-file="$out" --toggle-collect='DecodeBlock*' \
  "$tree/bench/codec_bench" --decode-wav 2>/dev/null
instructions=$(callgrind_annotate "$out" 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1; exit}')
bytes=$((2 << 20))
echo "DecodeBlock: $instructions instructions for $bytes bytes"
awk -v i="$instructions" -v b="$bytes" 'BEGIN { printf "%.1f instructions per output byte\n", i / b }'
