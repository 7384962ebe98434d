#!/bin/bash
# Start-up of the configuration application on a private X server: the time from starting the
# process to the first painted frame of its main window, and the peak resident memory.
#
# usage: bench/app_startup.sh [BUILD_DIR]
#   BUILD_DIR  a configured build folder (default build/app); Pixoria is built in it
# RUNS (default 11) measured starts follow one unmeasured start that warms the file cache.
#
# The program, started with PIXORIA_EXIT_AFTER_FIRST_PAINT, prints the wall clock time of its
# first frame and quits; the start time is taken by this script just before it starts the
# process (under /usr/bin/time, whose own start counts against the program). Each start gets a
# fresh home, so no stored geometry or settings carry over.
#
# Needs (Debian): xvfb, xauth, time.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/app}
runs=${RUNS:-11}

if [ -z "${PIXORIA_BENCH_IN_X:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "missing: xvfb-run (xvfb)" >&2; exit 1; }
  [ -x /usr/bin/time ] || { echo "missing: /usr/bin/time (time)" >&2; exit 1; }
  cmake --build "$build" --target Pixoria -j2 >/dev/null
  PIXORIA_BENCH_IN_X=1 exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$build"
fi

program=$build/app/Pixoria
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One start: prints "<milliseconds to first frame> <peak RSS in KiB>".
start_once() {
  local home=$work/home.$1
  mkdir -p "$home/config" "$home/runtime" && chmod 700 "$home/runtime"
  local started=${EPOCHREALTIME/./}
  HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=xcb \
    PIXORIA_EXIT_AFTER_FIRST_PAINT=1 \
    /usr/bin/time -v -o "$work/time.$1" "$program" >"$work/out.$1" 2>"$work/err.$1"
  local painted
  painted=$(sed -n 's/^first-paint-ns //p' "$work/out.$1")
  [ -n "$painted" ] || { echo "run $1: no first frame reported" >&2; cat "$work/err.$1" >&2; exit 1; }
  local rss
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.$1")
  echo "$(( (painted / 1000 - started) / 1000 )) $rss"
}

start_once warmup >/dev/null
for i in $(seq 1 "$runs"); do start_once "$i"; done >"$work/results"

sort -n "$work/results" | awk -v runs="$runs" '
  { ms[NR] = $1; if ($2 > rss) rss = $2 }
  END {
    printf "first frame: median %d ms, min %d ms, max %d ms over %d starts\n",
           ms[int((NR + 1) / 2)], ms[1], ms[NR], runs
    printf "peak resident memory: %.1f MiB (largest of the starts)\n", rss / 1024
  }'
