#!/usr/bin/env bash
# The Windows installer under Wine, silently, in a fresh prefix on Xvfb:
#   1. a first installation: exactly the files, Path, the Start-menu shortcut, the uninstall entry;
#      the installed main program starts and shows its window;
#   2. the silent uninstallation with both programs running closes them, and leaves no program
#      file, shortcut, uninstall entry or autostart value, but the settings and the wallpaper folder;
#   3. an upgrade over an older version with both programs running closes them, keeps the settings
#      and starts the agent again, as Enabled is 1; run as administrator (as Wine runs everything),
#      it starts no program, so that none runs elevated;
#   4. an upgrade over programs that do not close (the agent in the middle of a slow download, the
#      application showing its modal About dialog) ends them and replaces every file;
#   5. a file that another program keeps open stops the installation before any file is replaced;
#   6. the uninstallation ends a busy agent too.
#
# Usage: installer_test.sh WORK_DIR INSTALLER OLDER_INSTALLER WINDOW_PROBE APP_WINDOW_CLASS
#                          MAIN_PROGRAM FILE...
# FILE... are the files the installation folder must hold, relative to it, besides the uninstaller.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
fixture_server=$here/../../tools/fixture_server.py
work=$1 installer=$2 older_installer=$3 probe=$4 app_class=$5 main_program=$6
shift 6
expected_files=("$@" Uninstall.exe)

version=$(basename "$installer" .exe)
version=${version#PixoriaSetup-}
older_version=$(basename "$older_installer" .exe)
older_version=${older_version#PixoriaSetup-}

wine=${PIXORIA_WINE:-/usr/lib/wine/wine64}
wineserver=$(dirname "$wine")/wineserver
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

settings_key='HKCU\Software\Corvane Pixoria'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane Pixoria'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
agent_class=PIXORIA agent_title='Corvane Pixoria Helper' app_title='Corvane Pixoria'
# NSIS ends its caption with a space.
setup_title='Corvane Pixoria Setup '
has_app=false
# The middle of the application's About button, in its main window's client area.
about_x=316 about_y=24
[ "$main_program" = Pixoria.exe ] && has_app=true

step() { printf '\n--- %s (%d s)\n' "$*" "$SECONDS"; }
ok() { printf 'ok: %s\n' "$*"; }
fail() {
  printf 'FAIL: %s\n' "$*" >&2
  exit 1
}

# The prefix, 700 MB, stays only when a step failed, to be looked into.
xvfb_pid=
server_pid=
hold_pid=
cleanup() {
  local status=$?
  "$wineserver" -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
  [ -z "$hold_pid" ] || kill "$hold_pid" 2>/dev/null || true
  if [ "$status" -eq 0 ]; then
    "$wineserver" -w 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
}
trap cleanup EXIT

start_display() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  DISPLAY=:$(head -n1 "$work/display")
  export DISPLAY
}

# A registry value's data, or nothing when the value is absent.
reg_value() {
  "$wine" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 \+REG_[A-Z_]\+ \+//p" || true
}
reg_set() { "$wine" reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1; }
key_exists() { "$wine" reg query "$1" >/dev/null 2>&1; }

expect_value() {
  local actual
  actual=$(reg_value "$1" "$2")
  [ "$actual" = "$3" ] || fail "$1 $2 is '$actual', not '$3'"
}

# C:\... as the Linux path of the prefix's drive.
unix_path() {
  local path=${1#[Cc]:\\}
  echo "$WINEPREFIX/drive_c/${path//\\//}"
}

install_silently() {
  timeout 120 "$wine" "$1" /S || fail "$(basename "$1") /S failed"
}

# The uninstaller copies itself away and returns at once; the copy removes the folder.
uninstall_silently() {
  timeout 60 "$wine" "$install_dir\\Uninstall.exe" /S || fail "Uninstall.exe /S failed"
  for _ in $(seq 450); do
    [ -e "$install_folder" ] || return 0
    sleep 0.1
  done
  fail "the installation folder is still there 45 s after the uninstaller started"
}

# Waits for a window (shown, there or gone) and prints its process id when found.
probe_window() {
  "$wine" "$probe" "$@" | tr -d '\r'
}

start_program() {
  "$wine" "$install_dir\\$1" >/dev/null 2>&1 &
}

# The loopback fixture server, whose /trickle route keeps a transfer going for minutes.
port=
start_fixture_server() {
  python3 "$fixture_server" --lifetime 240 --log "$work/requests" >"$work/server.out" &
  server_pid=$!
  for _ in $(seq 100); do
    port=$(sed -n 's/^PORT \([0-9]*\)$/\1/p' "$work/server.out")
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  fail "the fixture server did not start"
}

# Starts the agent on the NASA source, whose feed trickles in for minutes: the agent handles no
# WM_CLOSE until the transfer ends. Prints its process id once the transfer has begun.
start_busy_agent() {
  reg_set "$settings_key" Enabled REG_DWORD 1
  reg_set "$settings_key" Source REG_DWORD 1
  : >"$work/requests"
  PIXORIA_NASA_FEED_URL="http://127.0.0.1:$port/trickle/2000000?rate=4096" \
    start_program PixoriaHelper.exe
  local agent
  agent=$(probe_window "$agent_class" "$agent_title" there 30) || fail "the agent did not start"
  for _ in $(seq 300); do
    grep -q '^/trickle/' "$work/requests" && break
    sleep 0.1
  done
  grep -q '^/trickle/' "$work/requests" || fail "the agent did not start its download"
  echo "$agent"
}

# Starts the application and opens its About dialog, which is modal: the main window then ignores
# WM_CLOSE. The button has no window of its own; it lies at (400, 10) of the form, 90 by 32.
open_about_dialog() {
  start_program Pixoria.exe
  probe_window "$app_class" "$app_title" shown 30 >/dev/null || fail "Pixoria.exe did not start"
  # A window just shown may not take clicks yet: click again until the dialog is there.
  for _ in $(seq 10); do
    "$wine" "$probe" "$app_class" "$app_title" click "$about_x" "$about_y" ||
      fail "cannot click the application's window"
    probe_window - About shown 3 >/dev/null && return 0
  done
  fail "the About dialog did not open"
}

# Fails when the agent of process id $1 still runs.
expect_agent_ended() {
  local agent
  agent=$(probe_window "$agent_class" "$agent_title" there 0) || return 0
  [ "$agent" != "$1" ] || fail "$2"
}

# Dates every installed file back, so that a file the installer did not replace shows: makensis
# gives each file it writes the time of its source.
date_back_files() { find "$install_folder" -type f -exec touch -d 2000-01-01 {} +; }
files_dated_back() { find "$install_folder" -type f ! -newermt 2000-01-02 -printf '%P\n' | sort; }

shortcut=
check_installed() {
  [ -d "$install_folder" ] || fail "no installation folder $install_folder"
  local actual expected
  actual=$(cd "$install_folder" && find . -type f -printf '%P\n' | sort)
  expected=$(printf '%s\n' "${expected_files[@]}" | sort)
  [ "$actual" = "$expected" ] || fail "installed files differ: $(diff <(echo "$expected") \
    <(echo "$actual") | tr '\n' ' ')"
  ok "the folder holds exactly ${#expected_files[@]} files"

  expect_value "$uninstall_key" DisplayName 'Corvane Pixoria'
  expect_value "$uninstall_key" DisplayVersion "$1"
  expect_value "$uninstall_key" Publisher Corvane
  expect_value "$uninstall_key" UninstallString "\"$install_dir\\Uninstall.exe\""
  expect_value "$uninstall_key" QuietUninstallString "\"$install_dir\\Uninstall.exe\" /S"
  expect_value "$uninstall_key" InstallLocation "$install_dir"
  expect_value "$uninstall_key" DisplayIcon "\"$install_dir\\$main_program\",0"
  expect_value "$uninstall_key" NoModify 0x1
  expect_value "$uninstall_key" NoRepair 0x1
  local size_kib
  size_kib=$(($(reg_value "$uninstall_key" EstimatedSize)))
  local actual_kib
  actual_kib=$(du -sk --apparent-size "$install_folder" | cut -f1)
  if [ "$size_kib" -lt $((actual_kib / 2)) ] || [ "$size_kib" -gt $((actual_kib * 2)) ]; then
    fail "EstimatedSize $size_kib KiB, the folder $actual_kib KiB"
  fi
  ok "the uninstall entry, version $1"

  [ -f "$shortcut" ] || fail "no Start-menu shortcut $shortcut"
  LC_ALL=C grep -aq "$main_program" "$shortcut" || fail "the shortcut does not start $main_program"
  ok "the Start-menu shortcut to $main_program"
}

# $1: the Source value that the settings held before.
check_uninstalled() {
  [ ! -e "$install_folder" ] || fail "the installation folder is left: $(ls "$install_folder")"
  [ ! -e "$shortcut" ] || fail "the shortcut is left"
  ! key_exists "$uninstall_key" || fail "the uninstall entry is left"
  [ -z "$(reg_value "$run_key" LumivexGlass)" ] || fail "the autostart value is left"
  ok "no program file, shortcut, uninstall entry or autostart value"
  expect_value "$settings_key" Path "$install_dir"
  expect_value "$settings_key" Source "$1"
  [ -f "$wallpaper_file" ] || fail "the wallpaper folder lost $wallpaper_file"
  ok "the settings, Path included, and the wallpaper folder are kept"
}

mkdir -p "$work"
rm -rf "$WINEPREFIX"
start_display

step "a fresh prefix"
timeout 120 "$wine" wineboot --init >/dev/null 2>&1 || fail "wineboot failed"
elevated=false
if "$wine" "$probe" elevated; then
  elevated=true
  ok "programs run elevated here"
fi

step "installing $(basename "$installer") silently"
install_silently "$installer"
install_dir=$(reg_value "$settings_key" Path)
[ -n "$install_dir" ] || fail "the installer wrote no Path"
install_folder=$(unix_path "$install_dir")
case "$install_dir" in
  *'\AppData\Local\Programs\Corvane Pixoria') ok "Path is $install_dir" ;;
  *) fail "Path is $install_dir, not under %LOCALAPPDATA%\\Programs" ;;
esac
appdata=$(unix_path "$("$wine" cmd /c echo %APPDATA% | tr -d '\r')")
shortcut="$appdata/Microsoft/Windows/Start Menu/Programs/Corvane Pixoria.lnk"
check_installed "$version"

step "the silent uninstallation closes the running programs"
reg_set "$settings_key" Source REG_DWORD 2
reg_set "$run_key" LumivexGlass REG_SZ "\"$install_dir\\PixoriaHelper.exe\""
wallpaper_file="$appdata/Corvane Tavemark Plus!/Wallpaper/wallpaper.jpg"
mkdir -p "$(dirname "$wallpaper_file")" && echo picture >"$wallpaper_file"
start_program PixoriaHelper.exe
probe_window "$agent_class" "$agent_title" there 30 >/dev/null || fail "the agent did not start"
if $has_app; then
  start_program Pixoria.exe
  probe_window "$app_class" "$app_title" shown 30 >/dev/null ||
    fail "the installed Pixoria.exe showed no $app_class window"
  ok "the installed Pixoria.exe shows its window"
fi
uninstall_silently
probe_window "$agent_class" "$agent_title" gone 1 || fail "the agent still runs"
if $has_app; then
  probe_window "$app_class" "$app_title" gone 1 || fail "the application still runs"
fi
ok "the programs were closed"
check_uninstalled 0x2

step "an upgrade from $older_version with the programs running"
install_silently "$older_installer"
expect_value "$uninstall_key" DisplayVersion "$older_version"
reg_set "$settings_key" Enabled REG_DWORD 1
reg_set "$settings_key" Source REG_DWORD 3
reg_set "$settings_key" CustomCount REG_DWORD 0
start_program PixoriaHelper.exe
older_agent=$(probe_window "$agent_class" "$agent_title" there 30) || fail "the agent did not start"
if $has_app; then
  start_program Pixoria.exe
  probe_window "$app_class" "$app_title" shown 30 >/dev/null || fail "Pixoria.exe did not start"
fi
install_silently "$installer"
if $has_app; then
  probe_window "$app_class" "$app_title" gone 1 || fail "the upgrade left the application running"
  ok "the upgrade closed the application"
fi
check_installed "$version"
expect_value "$settings_key" Enabled 0x1
expect_value "$settings_key" Source 0x3
expect_value "$settings_key" Path "$install_dir"
ok "the settings are kept"
if $elevated; then
  probe_window "$agent_class" "$agent_title" gone 3 || fail "the upgrade run as administrator \
started the agent"
  ok "the agent was closed and, as the installer runs as administrator, not started again"
else
  newer_agent=$(probe_window "$agent_class" "$agent_title" there 30) ||
    fail "the agent was not started again"
  [ "$newer_agent" != "$older_agent" ] || fail "the agent that ran before the upgrade still runs"
  ok "the agent was closed (process $older_agent) and started again (process $newer_agent)"
fi

if $elevated; then
  step "run as administrator, the finish page says why it started nothing"
  "$wine" "$installer" >/dev/null 2>&1 &
  setup_pid=$!
  probe_window '#32770' "$setup_title" shown 30 >/dev/null || fail "the installer showed no window"
  # Install on the first page; the page of the installation goes on to the finish page by itself.
  finish_page=
  for _ in $(seq 120); do
    finish_page=$("$wine" "$probe" '#32770' "$setup_title" texts | tr -d '\r') || true
    grep -q '^Completing' <<<"$finish_page" && break
    if grep -qx '&Install' <<<"$finish_page"; then
      "$wine" "$probe" '#32770' "$setup_title" press 1 || true
    fi
    sleep 0.5
  done
  grep -q '^Completing' <<<"$finish_page" || fail "no finish page: $finish_page"
  grep -q 'runs as administrator, so it did not start Corvane Pixoria' <<<"$finish_page" ||
    fail "the finish page does not say why it started nothing: $finish_page"
  ! grep -q '^&Run' <<<"$finish_page" || fail "the finish page offers to start a program"
  "$wine" "$probe" '#32770' "$setup_title" press 1 || fail "no Finish button"
  timeout 30 tail --pid="$setup_pid" -f /dev/null || fail "the installer did not end"
  probe_window "$agent_class" "$agent_title" gone 1 || fail "the installer started the agent"
  ok "the finish page says why and offers no start"
fi

step "an upgrade over a busy agent and the application's About dialog"
# No installer starts an agent of its own here.
reg_set "$settings_key" Enabled REG_DWORD 0
install_silently "$older_installer"
start_fixture_server
busy_agent=$(start_busy_agent)
$has_app && open_about_dialog
date_back_files
started=$SECONDS
PIXORIA_CLOSE_WAIT_MS=2000 install_silently "$installer"
ok "the installer took $((SECONDS - started)) s"
expect_agent_ended "$busy_agent" "the upgrade left the busy agent running"
if $has_app; then
  probe_window "$app_class" "$app_title" gone 1 || fail "the upgrade left the application running"
fi
ok "the programs that did not close were ended"
left=$(files_dated_back)
[ -z "$left" ] || fail "the upgrade did not replace: $(echo $left)"
expect_value "$uninstall_key" DisplayVersion "$version"
ok "every file was replaced"

step "a file in use stops the installation before any file is replaced"
date_back_files
"$wine" "$probe" hold "$install_dir\\PixoriaHelper.exe" 100 >"$work/hold.out" 2>&1 &
hold_pid=$!
for _ in $(seq 100); do
  grep -q held "$work/hold.out" && break
  sleep 0.1
done
grep -q held "$work/hold.out" || fail "cannot hold PixoriaHelper.exe: $(cat "$work/hold.out")"
status=0
PIXORIA_CLOSE_WAIT_MS=0 timeout 120 "$wine" "$installer" /S || status=$?
kill "$hold_pid" && wait "$hold_pid" 2>/dev/null || true
hold_pid=
[ "$status" -ne 0 ] || fail "the installer succeeded while PixoriaHelper.exe was in use"
left=$(files_dated_back)
all=$(printf '%s\n' "${expected_files[@]}" | sort)
[ "$left" = "$all" ] ||
  fail "the failed installation replaced: $(comm -13 <(echo "$left") <(echo "$all") | tr '\n' ' ')"
ok "the installer failed (exit status $status) and left every file as it was"

step "uninstalling with a busy agent"
busy_agent=$(start_busy_agent)
PIXORIA_CLOSE_WAIT_MS=2000 uninstall_silently
expect_agent_ended "$busy_agent" "the uninstallation left the busy agent running"
check_uninstalled 0x1
step "done"
