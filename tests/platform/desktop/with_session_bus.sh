#!/usr/bin/env bash
# Runs a test program in a world of its own: temporary HOME and XDG folders, and a private session
# bus whose activated services (dconf-service, xfconfd) are given that same world, so they never
# read or write the real user's settings.
# Usage: with_session_bus.sh PROGRAM [ARGUMENT...]
# Exits 77 (skipped) when a tool is missing; tools/setup.sh test installs them.
set -euo pipefail

for tool in dbus-run-session dbus-update-activation-environment gsettings xfconf-query; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (bash tools/setup.sh test)"
    exit 77
  fi
done

world=$(mktemp -d "${TMPDIR:-/tmp}/pixoria-session-XXXXXX")
trap 'rm -rf "$world"' EXIT
mkdir -m 0700 "$world"/{home,config,data,cache,state,runtime}
export HOME="$world/home" XDG_CONFIG_HOME="$world/config" XDG_DATA_HOME="$world/data"
export XDG_CACHE_HOME="$world/cache" XDG_STATE_HOME="$world/state" XDG_RUNTIME_DIR="$world/runtime"
export GSETTINGS_BACKEND=dconf
unset DISPLAY WAYLAND_DISPLAY SWAYSOCK XDG_CURRENT_DESKTOP DBUS_SESSION_BUS_ADDRESS PIXORIA_DESKTOP

# The program runs under a time limit inside the session, so dbus-run-session always gets to end
# the bus (and with it the services it started).
dbus-run-session -- bash -c '
  dbus-update-activation-environment HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME \
    XDG_STATE_HOME XDG_RUNTIME_DIR GSETTINGS_BACKEND
  exec timeout --kill-after=5 100 "$@"' with_session_bus "$@" \
  2> >(grep -v -e "Failed to set fd limit" -e "ctivat" >&2)
