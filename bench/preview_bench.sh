#!/bin/bash
# The preview of a large downloaded image, both code paths side by side in one run:
#   bench/preview_bench.sh BUILD_DIR WORK_DIR     (RUNS=5 by default)
# Generates the inputs into WORK_DIR (nothing is downloaded), then runs each path RUNS times on
# each input, interleaved, one process per run, and prints every run's figures.
set -euo pipefail
build=${1:?build folder}
work=${2:?work folder}
runs=${RUNS:-5}
tool="$build/bench/pixoria-preview-bench"
mkdir -p "$work"

inputs=("$work/panorama-18370x4251-q90.jpg:18370:4251:90" "$work/photo-10240x5760-q90.jpg:10240:5760:90")
for input in "${inputs[@]}"; do
  IFS=: read -r file width height quality <<<"$input"
  [ -s "$file" ] || "$tool" generate "$file" "$width" "$height" "$quality"
done

for input in "${inputs[@]}"; do
  file=${input%%:*}
  for ((run = 1; run <= runs; run++)); do
    for path in whole shrunk; do
      "$tool" "$path" "$file"
    done
  done
done
