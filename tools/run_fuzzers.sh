#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a while, starting from the saved inputs.
# Usage: tools/run_fuzzers.sh BUILD_DIR SECONDS_EACH
# The inputs a run finds and its logs are scratch; an input that fails a target is kept under
# BUILD_DIR/fuzz-failures/ so it can be replayed (`TARGET_fuzz FILE`) and added to the corpus.
set -euo pipefail
build_dir=$1
seconds=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)
failures=$(cd "$build_dir" && pwd)/fuzz-failures
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
for fuzzer in "$build_dir"/tests/fuzz/*_fuzz; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer" _fuzz)
  mkdir -p "$work/$name" "$failures/$name"
  echo "fuzzing $name for ${seconds}s"
  if ! "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -artifact_prefix="$failures/$name/" "$work/$name" "$source_dir/tests/fuzz/corpus/$name" \
      >"$failures/$name.log" 2>&1; then
    tail -n 40 "$failures/$name.log"
    echo "fuzzer $name found a failure; the input is kept in $failures/$name/:"
    ls -1 "$failures/$name"
    status=1
  else
    grep -E '^Done|#[0-9]+.*(DONE|pulse)' "$failures/$name.log" | tail -n 1
    rm -f "$failures/$name.log"
    rmdir "$failures/$name" 2>/dev/null || true
  fi
done
exit $status
