#!/usr/bin/env bash
# Runs a Windows program that shows Qt windows under Wine, on a private Xvfb: Qt's windows
# platform plug-in needs Wine's X11 display driver (with the null driver of wine-run.sh, Qt's
# windows never come up). The prefix is "wineprefix-x11" in the nearest build folder, made once
# and shared by the tests, which therefore run one at a time; its Wine server is ended with the
# program, so that the next run starts on its own display.
# Usage: wine-x11-run.sh PROGRAM.exe [ARGUMENTS...]
#   PIXORIA_XVFB_SCREEN sets the screen (default 1600x1000x24).
set -euo pipefail

find_build_folder() {
  local folder=$PWD
  while [ "$folder" != / ]; do
    [ -f "$folder/CMakeCache.txt" ] && { echo "$folder"; return; }
    folder=$(dirname "$folder")
  done
  echo "${TMPDIR:-/tmp}"
}

WINEPREFIX=${PIXORIA_WINEPREFIX:-$(find_build_folder)/wineprefix-x11}
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
wine=${PIXORIA_WINE:-/usr/lib/wine/wine64}
wineserver=$(dirname "$wine")/wineserver

display_file=$(mktemp)
xvfb=
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  if [ -n "$xvfb" ]; then
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  rm -f "$display_file"
}
trap cleanup EXIT

Xvfb -displayfd 5 -screen 0 "${PIXORIA_XVFB_SCREEN:-1600x1000x24}" -nolisten tcp \
  5>"$display_file" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
[ -s "$display_file" ] || { echo "wine-x11-run.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(cat "$display_file")
unset WAYLAND_DISPLAY

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$wine" wineboot --init >/dev/null 2>&1 || true
      "$wineserver" -w || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi

status=0
"$wine" "$@" || status=$?
exit $status
