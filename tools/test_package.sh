#!/usr/bin/env bash
# Builds the Debian package from a stripped Release build, checks it (lintian, the desktop entry
# and AppStream validators), installs it on this machine and runs the installed programs from
# /usr/bin in a world of their own (temporary HOME and XDG folders, a loopback mirror of Bing, the
# headless desktop). It installs an older version first and upgrades over it, and ends by purging
# the package: nothing of the package may stay behind, and nothing of the user's may go.
#
# Usage (as root on Debian 12): tools/test_package.sh [BUILD_FOLDER]   (default build/package)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
build=${1:-$source_dir/build/package}
bash tools/setup.sh package
apt_get=(apt-get -o DPkg::Lock::Timeout=600 -y -qq --no-install-recommends)
export DEBIAN_FRONTEND=noninteractive

say() { printf -- '-- %s\n' "$*"; }
fail() {
  printf 'test_package.sh: FAILED: %s\n' "$*" >&2
  exit 1
}

if dpkg-query -W -f='${Status}' pixoria 2>/dev/null | grep -q 'install ok installed'; then
  fail "the pixoria package is installed on this machine already; remove it first"
fi

# --- Build, package, check the package ------------------------------------------------------
say "building the package in $build"
package=$(bash tools/make_package.sh "$build")
version=$(dpkg-deb -f "$package" Version)
# The same programs under a lower version number: dpkg treats it as the release before this one.
older_version="$version~older"
(cd "$build" && cpack -G DEB -D CPACK_PACKAGE_VERSION="$older_version" >/dev/null)
older_package=$build/pixoria_${older_version}_amd64.deb
[ -f "$older_package" ] || fail "cpack made $(ls "$build"/*.deb)"
say "made $(basename "$package"); its files:"
dpkg-deb -c "$package" | awk '{print "   " $6}'
say "lintian"
# Warnings are shown and kept (dist/linux/README.md says why); an error fails the stage.
lintian --fail-on error --info "$package" || fail "lintian reports errors"
# The package runs no scripts of its own when it is installed or removed, so none of them can
# touch a user's home.
scripts=$(dpkg-deb --ctrl-tarfile "$package" | tar -t | grep -E '(pre|post)(inst|rm)$' || true)
[ -z "$scripts" ] || fail "maintainer scripts in the package: $scripts"

# --- A world of the user's own ---------------------------------------------------------------
world=$(mktemp -d /tmp/pixoria-package-XXXXXX)
export HOME=$world/home XDG_CONFIG_HOME=$world/home/.config XDG_DATA_HOME=$world/home/.local/share
export XDG_STATE_HOME=$world/home/.local/state XDG_CACHE_HOME=$world/home/.cache
export XDG_RUNTIME_DIR=$world/run XDG_CONFIG_DIRS=$world/system-config
export PIXORIA_DESKTOP=headless PIXORIA_SCREENS=1920x1080 QT_QPA_PLATFORM=offscreen
# No session bus: the tray goes without, as it does on a machine with none.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$world/no-bus
unset DISPLAY WAYLAND_DISPLAY XDG_CURRENT_DESKTOP SWAYSOCK
mkdir -p "$HOME/Pictures" "$XDG_CONFIG_HOME/pixoria" "$XDG_RUNTIME_DIR" "$world/mirror/images"
chmod 700 "$XDG_RUNTIME_DIR"
hive=$XDG_CONFIG_HOME/pixoria/HKCU.reg
wallpapers="$XDG_DATA_HOME/Corvane Tavemark Plus!/Wallpaper"
desktop_log=$XDG_STATE_HOME/pixoria/desktop.log
autostart_entry=$XDG_CONFIG_HOME/autostart/LumivexGlass.desktop

server_pid=
app_pid=
installed_by_us=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  close_agent || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  if [ -n "$installed_by_us" ]; then
    "${apt_get[@]}" purge pixoria >/dev/null 2>&1 || true
  fi
  rm -rf "$world"
}
trap cleanup EXIT

post() { /usr/bin/pixoria-post PIXORIA "Corvane Pixoria Helper" "$@"; }
# The agent of this world (other agents may run on this machine), by its environment.
world_agent() {
  local pid
  for pid in $(pgrep -x PixoriaHelper); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "HOME=$HOME"; then
      echo "$pid"
      return 0
    fi
  done
  return 1
}
close_agent() {
  local pid
  pid=$(world_agent) || return 0
  [ -x /usr/bin/pixoria-post ] && post 16 2>/dev/null || kill "$pid"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
}
# Waits up to 20 s for a line of the desktop log that matches the pattern.
wait_for_desktop() {
  for _ in $(seq 200); do
    grep -q -- "$1" "$desktop_log" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "desktop.log:" >&2
  cat "$desktop_log" >&2 2>/dev/null || true
  return 1
}
# Settings are written the way the programs write them: under the hive's lock, replaced whole.
write_hive() {
  (
    flock 9
    printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n%s\n' "$1" >"$hive.new"
    mv "$hive.new" "$hive"
  ) 9>"$hive.lock"
}
# What the package leaves on the machine, by name, outside the places a user's files live.
package_traces() {
  find /usr /etc /opt /var/lib/dpkg/info -iname '*pixoria*' -not -path '/usr/src/*' 2>/dev/null |
    sort
}
# A fingerprint of the user's settings and wallpaper files.
user_files() {
  (cd "$HOME" && find . -path ./.cache -prune -o -type f -print0 | sort -z |
    xargs -0 sha256sum) | grep -v -e 'desktop.log' -e 'HKCU.reg.lock'
}

convert -size 1920x1080 gradient:'#1d3b5a-#e8a33d' "$HOME/Pictures/dawn.jpg"
convert -size 1600x1200 plasma:green-blue -blur 0x2 "$HOME/Pictures/meadow.png"
convert -size 3840x2160 radial-gradient:'#f6d365-#2b1055' "$world/mirror/images/archive.jpg"
printf '<images><image><url>/images/archive.jpg</url><copyright>A mirrored picture</copyright></image></images>' \
  >"$world/mirror/HPImageArchive.aspx"
python3 tools/fixture_server.py "$world/mirror" --lifetime 300 >"$world/server.out" &
server_pid=$!
for _ in $(seq 50); do grep -q '^PORT' "$world/server.out" 2>/dev/null && break; sleep 0.1; done
port=$(awk '/^PORT/ {print $2; exit}' "$world/server.out")
[ -n "$port" ] || fail "the fixture server did not start"
export PIXORIA_BING_ORIGIN=http://127.0.0.1:$port PIXORIA_BING_IMAGE_BASE=http://127.0.0.1:$port
custom_list="\"CustomCount\"=dword:00000002
\"CustomFile0\"=\"$HOME/Pictures/dawn.jpg\"
\"CustomFile1\"=\"$HOME/Pictures/meadow.png\"
\"TimeIndex\"=dword:00000001"

traces_before=$(package_traces)

# --- The older version: the agent at work ----------------------------------------------------
say "installing $(basename "$older_package")"
installed_by_us=yes
"${apt_get[@]}" install "$older_package" >/dev/null
[ "$(dpkg-query -W -f='${Version}' pixoria)" = "$older_version" ] || fail "the older version is not installed"

say "the installed agent sets the custom list's pictures"
write_hive "\"Enabled\"=dword:00000001
\"Source\"=dword:00000003
$custom_list"
/usr/bin/PixoriaHelper >"$world/agent.log" 2>&1 &
wait_for_desktop "^set 0 HEADLESS-1 $HOME/Pictures/\(dawn.jpg\|meadow.png\)$" ||
  fail "no custom picture reached the desktop"

say "a Bing change from the loopback mirror reaches the desktop"
write_hive "\"Enabled\"=dword:00000001
\"Source\"=dword:00000000
$custom_list"
post 1324
post 273 307
wait_for_desktop "^set 0 HEADLESS-1 $wallpapers/image.jpg$" || fail "no Bing picture reached the desktop"
close_agent

# --- Upgrade: the user's settings survive -----------------------------------------------------
before_upgrade=$(user_files)
say "upgrading to $(basename "$package")"
"${apt_get[@]}" install "$package" >/dev/null
[ "$(dpkg-query -W -f='${Version}' pixoria)" = "$version" ] || fail "the upgrade did not happen"
[ "$(user_files)" = "$before_upgrade" ] || fail "the upgrade changed the user's files"

say "validators on what is installed"
desktop-file-validate /usr/share/applications/com.corvane.Pixoria.desktop ||
  fail "desktop-file-validate"
appstreamcli validate --no-net /usr/share/metainfo/com.corvane.Pixoria.metainfo.xml ||
  fail "appstreamcli validate"

say "Enabled in the installed application starts the installed agent"
: >"$desktop_log"
rm -f "$autostart_entry"
/usr/bin/Pixoria >"$world/app.log" 2>&1 &
app_pid=$!
agent_pid=
for _ in $(seq 200); do agent_pid=$(world_agent) && break; sleep 0.1; done
[ -n "$agent_pid" ] || fail "Pixoria did not start PixoriaHelper"
[ "$(readlink "/proc/$agent_pid/exe")" = /usr/bin/PixoriaHelper ] ||
  fail "Pixoria started $(readlink "/proc/$agent_pid/exe"), not /usr/bin/PixoriaHelper"
for _ in $(seq 100); do [ -f "$autostart_entry" ] && break; sleep 0.1; done
grep -qx 'Exec=/usr/bin/PixoriaHelper' "$autostart_entry" &&
  grep -qx 'TryExec=/usr/bin/PixoriaHelper' "$autostart_entry" ||
  fail "the autostart entry does not name /usr/bin/PixoriaHelper: $(cat "$autostart_entry" 2>/dev/null)"
wait_for_desktop "^set 0 HEADLESS-1 $wallpapers/image.jpg$" || fail "the started agent set nothing"
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=
close_agent

# --- Removal: nothing of the package stays, everything of the user's does ----------------------
before_removal=$(user_files)
say "purging the package"
"${apt_get[@]}" purge pixoria >/dev/null
installed_by_us=
[ "$(package_traces)" = "$traces_before" ] ||
  fail "left behind: $(comm -13 <(echo "$traces_before") <(package_traces))"
while read -r path; do
  [ -e "$path" ] && [ ! -d "$path" ] && fail "left behind: $path"
done < <(dpkg-deb -c "$package" | awk '{sub(/^\./, "", $6); print $6}')
[ "$(user_files)" = "$before_removal" ] || fail "the removal changed the user's files"
[ -f "$hive" ] && [ -f "$wallpapers/image.jpg" ] || fail "the user's settings or wallpapers went"

generator=/usr/lib/systemd/user-generators/systemd-xdg-autostart-generator
if [ -x "$generator" ]; then
  say "the session skips the autostart entry of the removed agent"
  mkdir -p "$world/units"
  "$generator" "$world/units" "$world/units" "$world/units" 2>/dev/null
  [ ! -e "$world/units/app-LumivexGlass@autostart.service" ] ||
    fail "the session would still start /usr/bin/PixoriaHelper"
fi
say "the package installs, upgrades, works and goes cleanly"
