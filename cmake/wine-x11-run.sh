#!/usr/bin/env bash
# Runs a Windows program that shows Qt windows under Wine, on a private Xvfb: Qt's windows
# platform plug-in needs Wine's X11 display driver (with the null driver of wine-run.sh, Qt's
# windows never come up). The prefix is "wineprefix-x11" in the nearest build folder, made once
# and shared by the tests, which therefore run one at a time; its Wine server is ended with the
# program, so that the next run starts on its own display.
# Usage: wine-x11-run.sh PROGRAM.exe [ARGUMENTS...]
#   PIXORIA_XVFB_SCREEN sets the screen (default 1600x1000x24).
set -euo pipefail

# shellcheck source=wine-common.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-common.sh"
use_wine_prefix wineprefix-x11
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

# Debian's Wine comes without Wine's own fonts, so Tahoma, to which Windows' dialog font "MS Shell
# Dlg" leads, is missing, and GDI falls back to "DejaVu Math TeX Gyre". That font's Windows line
# height is about four times its size (room for tall operators), and Qt's GDI engine gives it as
# the height of any text's bounding box, by which QLineEdit centres its line: in a box of usual
# height the text is moved up out of sight. Tahoma is stood in for by DejaVu Sans, the Linux build's font.
font_replacements='[Software\\\\Wine\\\\Fonts\\\\Replacements]'
prefix_is_ready() {
  [ -f "$WINEPREFIX/system.reg" ] && grep -qF "$font_replacements" "$WINEPREFIX/user.reg"
}

if ! prefix_is_ready; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$wine" wineboot --init >/dev/null 2>&1 || true
      "$wineserver" -w || true
    fi
    if ! prefix_is_ready; then
      "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /d 'DejaVu Sans' /f \
        >/dev/null 2>&1 || true
      "$wineserver" -w || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi

status=0
"$wine" "$@" || status=$?
exit $status
