#!/bin/bash
# The preview of a large downloaded image on Windows, under Wine: the form's path (PreviewDecoder,
# decodeShrunk), GDI+ alone (the form's path before) and the whole decode, on JPEG and PNG.
#   bench/preview_bench_wine.sh WINDOWS_BUILD_DIR WORK_DIR     (RUNS=3 by default; PATHS picks
#   among "whole platform shrunk")
# WINDOWS_BUILD_DIR is configured with -DPIXORIA_BUILD_BENCH=ON and has built
# pixoria-preview-bench. The inputs are generated into WORK_DIR (nothing is downloaded); each run
# is a process of its own, on the private Xvfb of cmake/wine-x11-run.sh.
set -euo pipefail
build=$(realpath "${1:?Windows build folder}")
work=$(realpath -m "${2:?work folder}")
runs=${RUNS:-3}
tool="$build/app/pixoria-preview-bench.exe"
run=$(dirname "$(realpath "$0")")/../cmake/wine-x11-run.sh
mkdir -p "$work"
cd "$build"  # wine-x11-run.sh keeps its prefix in the build folder it is started from
export QT_QPA_PLATFORM=windows

inputs=("panorama-18370x4251-q90.jpg:18370:4251:90" "panorama-18370x4251.png:18370:4251:50")
for input in "${inputs[@]}"; do
  IFS=: read -r file width height quality <<<"$input"
  [ -s "$work/$file" ] || "$run" "$tool" generate "Z:$work/$file" "$width" "$height" "$quality"
done

for input in "${inputs[@]}"; do
  file=${input%%:*}
  for ((n = 1; n <= runs; n++)); do
    for path in ${PATHS:-whole platform shrunk}; do
      # Bounded: a JPEG run has been seen to print its figures and then not exit under Wine.
      timeout "${RUN_TIMEOUT:-90}" "$run" "$tool" "$path" "Z:$work/$file" 2>/dev/null || true
    done
  done
done
