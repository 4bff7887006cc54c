#!/usr/bin/env bash
# Runs each fuzzer for a bounded time from its seed corpus, in a scratch directory so that the
# committed corpus stays as it is. Fails on any finding, and shows the input that caused it.
#   fuzz/run.sh BUILD_DIRECTORY SECONDS
set -u
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0
failed=0
for target in number_reading key_decoding determinant; do
  mkdir -p "$scratch/$target/corpus" "$scratch/$target/findings"
  if "$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
      -artifact_prefix="$scratch/$target/findings/" "$scratch/$target/corpus" "$here/corpus/$target" \
      >"$scratch/$target/log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$scratch/$target/log" | grep -o '[0-9]*$')
    echo "fuzz: $target: ${runs:-?} runs in ${seconds}s, no findings"
    passed=$((passed + 1))
  else
    echo "fuzz: $target found a fault:"
    tail -n 40 "$scratch/$target/log"
    for finding in "$scratch/$target/findings"/*; do
      [ -f "$finding" ] && { echo "input ($finding):"; od -c "$finding" | head -n 20; }
    done
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
