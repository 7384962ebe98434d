#!/usr/bin/env bash
# Runs a test program beside a headless sway of its own (no screen, no input devices, software
# rendering, two outputs), with SWAYSOCK and WAYLAND_DISPLAY naming it. sway refuses to run as
# root, so a root caller drops the whole run, sway and the program, to the user nobody: the
# wallpaper copies the program makes must be files sway's own user can open, as in a session.
# nobody may not reach the checkout or the build (a clone in /root, or in any folder of mode
# 0700), so the dropped run takes this script and the program along into a folder of its own.
# Usage: with_headless_sway.sh PROGRAM [ARGUMENT...]
# Exits 77 (skipped) when a tool is missing; tools/setup.sh test installs them.
set -euo pipefail

for tool in sway swaybg swaymsg grim setpriv; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (bash tools/setup.sh test)"
    exit 77
  fi
done

if [ "$(id -u)" -eq 0 ]; then
  # /tmp, not TMPDIR: root's TMPDIR may be as private as its home. The folder, owned by nobody,
  # is also the dropped run's TMPDIR and working folder.
  drop=$(mktemp -d /tmp/pixoria-sway-drop-XXXXXX)
  trap 'rm -rf "$drop"' EXIT
  program="$drop/$(basename "$1")"
  cp "$0" "$drop/with_headless_sway.sh"
  cp "$1" "$program"
  chown -R 65534:65534 "$drop"
  shift
  status=0
  (cd "$drop" && TMPDIR="$drop" setpriv --reuid=65534 --regid=65534 --clear-groups -- \
    bash "$drop/with_headless_sway.sh" "$program" "$@") || status=$?
  exit "$status"
fi

world=$(mktemp -d "${TMPDIR:-/tmp}/pixoria-sway-XXXXXX")
sway_pid=
stop() {
  if [ -n "$sway_pid" ]; then
    kill "$sway_pid" 2>/dev/null || true
    wait "$sway_pid" 2>/dev/null || true
  fi
  rm -rf "$world"
}
trap stop EXIT
mkdir -m 0700 "$world"/{home,config,data,cache,state,runtime}
export HOME="$world/home" XDG_CONFIG_HOME="$world/config" XDG_DATA_HOME="$world/data"
export XDG_CACHE_HOME="$world/cache" XDG_STATE_HOME="$world/state" XDG_RUNTIME_DIR="$world/runtime"
export WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=2
unset DISPLAY WAYLAND_DISPLAY SWAYSOCK XDG_CURRENT_DESKTOP PIXORIA_DESKTOP DBUS_SESSION_BUS_ADDRESS

cat >"$world/sway.conf" <<'CONF'
output HEADLESS-1 resolution 640x360 position 0 0
output HEADLESS-2 resolution 320x240 position 640 0
CONF

timeout --kill-after=5 150 sway --config "$world/sway.conf" >"$world/sway.log" 2>&1 &
sway_pid=$!
socket=
for _ in $(seq 100); do
  socket=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -name 'sway-ipc.*.sock' -print -quit)
  display=$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -name 'wayland-*' ! -name '*.lock' -printf '%f' -quit)
  [ -n "$socket" ] && [ -n "$display" ] && swaymsg -s "$socket" -t get_version >/dev/null 2>&1 && break
  socket=
  sleep 0.1
done
if [ -z "$socket" ]; then
  echo "sway did not start within 10 s:" >&2
  cat "$world/sway.log" >&2
  exit 1
fi
export SWAYSOCK="$socket" WAYLAND_DISPLAY="$display"

status=0
timeout --kill-after=5 100 "$@" || status=$?
exit "$status"
