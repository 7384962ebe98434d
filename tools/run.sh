#!/usr/bin/env bash
# Installs what is missing, builds the programs and runs them in a world of their own (temporary
# HOME and XDG folders, a loopback mirror of Bing's archive), so nothing of the user's is touched.
#
# Without a display the agent runs on the headless desktop, which records each wallpaper it is
# given; the script shows what the agent sets. With a display (DISPLAY set, X11) the agent paints
# the real root window. To watch it on a machine without a display:
#   xvfb-run -a -s '-screen 0 1920x1080x24 -noreset' bash tools/run.sh
# (-noreset: a bare X server without it resets, and drops the background, whenever its last
# client leaves)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)

bash tools/setup.sh run test
cmake --preset default >/dev/null
cmake --build --preset default --target PixoriaHelper Pixoria pixoria-post
build=$source_dir/build/default
post() { "$build/tools/pixoria-post" PIXORIA "Corvane Pixoria Helper" "$@"; }

world=$(mktemp -d /tmp/pixoria-world-XXXXXX)
export HOME=$world/home XDG_CONFIG_HOME=$world/home/.config XDG_DATA_HOME=$world/home/.local/share
export XDG_STATE_HOME=$world/home/.local/state XDG_RUNTIME_DIR=$world/run
mkdir -p "$HOME/Pictures" "$XDG_CONFIG_HOME/pixoria" "$XDG_RUNTIME_DIR" "$world/mirror/images" \
  "$world/install"
# Both programs side by side, as installed: each starts the other from this folder.
ln -s "$build/agent/PixoriaHelper" "$build/app/Pixoria" "$world/install/"
chmod 700 "$XDG_RUNTIME_DIR"
hive=$XDG_CONFIG_HOME/pixoria/HKCU.reg
agent_log=$world/agent.log

server_pid=
agent_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$agent_pid" ] && kill "$agent_pid" 2>/dev/null || true
  # An agent the application started on its own is closed the way any program would close it.
  if "$build/tools/pixoria-post" PIXORIA "Corvane Pixoria Helper" 16 2>/dev/null; then
    sleep 1
  fi
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$world"
}
trap cleanup EXIT

say() { printf '\n== %s\n' "$*"; }

# Two pictures for the custom list, and one for the Bing mirror.
convert -size 1920x1080 gradient:'#1d3b5a-#e8a33d' "$HOME/Pictures/dawn.jpg"
convert -size 1600x1200 plasma:green-blue -blur 0x2 "$HOME/Pictures/meadow.png"
convert -size 3840x2160 radial-gradient:'#f6d365-#2b1055' "$world/mirror/images/archive.jpg"
printf '<images><image><url>/images/archive.jpg</url><copyright>A mirrored picture</copyright></image></images>' \
  >"$world/mirror/HPImageArchive.aspx"

python3 tools/fixture_server.py "$world/mirror" --lifetime 600 >"$world/server.out" &
server_pid=$!
for _ in $(seq 50); do grep -q '^PORT' "$world/server.out" 2>/dev/null && break; sleep 0.1; done
port=$(awk '/^PORT/ {print $2; exit}' "$world/server.out")
export PIXORIA_BING_ORIGIN=http://127.0.0.1:$port PIXORIA_BING_IMAGE_BASE=http://127.0.0.1:$port

# Settings are written the way the programs write them: under the hive's lock, replaced whole.
write_hive() {
  (
    flock 9
    printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n%s\n' "$1" >"$hive.new"
    mv "$hive.new" "$hive"
  ) 9>"$hive.lock"
}
custom_list="\"CustomCount\"=dword:00000002
\"CustomFile0\"=\"$HOME/Pictures/dawn.jpg\"
\"CustomFile1\"=\"$HOME/Pictures/meadow.png\"
\"Path\"=\"$world/install\"
\"TimeIndex\"=dword:00000001"

if [ -n "${DISPLAY:-}" ]; then
  # The X root window, whatever the session's desktop: the user's own wallpaper settings stay
  # untouched by a trial run.
  desktop=x11
  export PIXORIA_DESKTOP=x11
else
  desktop=headless
  export PIXORIA_DESKTOP=headless PIXORIA_SCREENS=1920x1080,1280x1024
fi
desktop_log=$XDG_STATE_HOME/pixoria/desktop.log
shots=0
show_desktop() {
  if [ "$desktop" = headless ]; then
    sleep "${1:-0.5}"
    echo "desktop.log:"; sed 's/^/  /' "$desktop_log" 2>/dev/null || true
    : >"$desktop_log" 2>/dev/null || true
  else
    sleep "${1:-0.5}"
    shot=$build/run-root-$((++shots)).png
    if xwd -root -silent | convert xwd:- "$shot" 2>/dev/null; then
      echo "the root window of $DISPLAY now shows it: $shot"
    fi
  fi
}

say "Starting PixoriaHelper on the $desktop desktop with the custom list, dual-monitor mode"
write_hive "\"Enabled\"=dword:00000001
\"Source\"=dword:00000003
\"multiMonitorSupport\"=dword:00000002
$custom_list"
"$world/install/PixoriaHelper" 2>"$agent_log" &
agent_pid=$!
show_desktop 1

say "A second start leaves the first alone"
"$world/install/PixoriaHelper" && echo "second start exited with $?"

say "Switching to Bing's archive (a loopback mirror), then \"Next Image\" from the tray menu"
write_hive "\"Enabled\"=dword:00000001
\"Source\"=dword:00000000
$custom_list"
post 1324          # reload: downloads and fits the newest image
post 273 307       # WM_COMMAND "Next Image" under "Bing Daily Wallpapers"
show_desktop 3
echo "fitted files:"; ls -l "$XDG_DATA_HOME/Corvane Tavemark Plus!/Wallpaper" | sed 's/^/  /'

say "Stopping the changer, then closing the agent"
post 1327
post 16            # WM_CLOSE
wait "$agent_pid" && echo "PixoriaHelper exited with $?"
agent_pid=
echo "what the agent said on standard error:"; sed 's/^/  /' "$agent_log"

if [ "$desktop" = headless ]; then
  say "No display here: to see the desktop and the configuration application, run: xvfb-run -a -s '-screen 0 1920x1080x24 -noreset' bash tools/run.sh"
else
  say "The configuration application, Pixoria"
  "$world/install/Pixoria" 2>"$world/app.log" &
  app_pid=$!
  sleep 3
  show_desktop 0
  # On a desktop of one's own, the window stays until it is closed; under xvfb-run nobody can
  # see it, so the screenshot is what there is.
  if [ -t 0 ] && [[ "${XAUTHORITY:-}" != *xvfb-run* ]]; then
    echo "close the Pixoria window to end the run"
    wait "$app_pid" || true
  else
    kill "$app_pid" 2>/dev/null; wait "$app_pid" 2>/dev/null || true
  fi
  app_pid=
fi

say "Installing the real program"
cat <<'END'
  apt install "$(bash tools/make_package.sh)"   # builds build/package/pixoria_<version>_amd64.deb
                                                # and installs Pixoria, PixoriaHelper, pixoria-post
Then open "Corvane Pixoria" from the application menu (or run Pixoria) and press Start: the agent
changes the session's own wallpaper, and starts again at each login.
END
