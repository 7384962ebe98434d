#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a while, starting from the saved inputs.
# Usage: tools/run_fuzzers.sh BUILD_DIR SECONDS_EACH
set -euo pipefail
build_dir=$1
seconds=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
for fuzzer in "$build_dir"/tests/fuzz/*_fuzz; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer" _fuzz)
  mkdir -p "$work/$name"
  echo "fuzzing $name for ${seconds}s"
  if ! "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix="$work/" "$work/$name" "$source_dir/tests/fuzz/corpus/$name" \
      >"$work/$name.log" 2>&1; then
    tail -n 40 "$work/$name.log"
    echo "fuzzer $name found a failure (input saved under $work is lost with it: rerun to see)"
    status=1
  else
    grep -E '^Done|#[0-9]+.*(DONE|pulse)' "$work/$name.log" | tail -n 1
  fi
done
exit $status
