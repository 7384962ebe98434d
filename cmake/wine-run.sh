#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly and headless, in a prefix of its own.
#
# The prefix is $PIXORIA_WINEPREFIX, or "wineprefix" in the nearest build folder above the current
# directory (the one holding CMakeCache.txt), so that every build keeps and reuses one prefix:
# creating a prefix costs many seconds. Its creation is serialised with a lock, so tests started in
# parallel do not race to make it.
set -euo pipefail

# shellcheck source=wine-common.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-common.sh"
use_wine_prefix wineprefix
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$wine" wineboot --init >/dev/null 2>&1 || true
      # No X server: windows, timers and the screen metrics come from Wine's null display
      # driver (a 1024x768 screen) instead of failing to create any window.
      "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
      "$(dirname "$wine")/wineserver" -w || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi

exec "$wine" "$@"
