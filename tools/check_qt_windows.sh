#!/usr/bin/env bash
# Proves a Qt built by tools/build_qt_windows.sh: builds the small Widgets + Network program in
# tools/qt_windows_check/ with that Qt's qt-cmake, puts it in a folder with the DLLs and plug-ins
# it needs, and runs it under Wine on Xvfb in a fresh Wine prefix. It passes when the window
# appears on the X server and Qt's TLS backend (Schannel) loads.
#
# Usage: tools/check_qt_windows.sh [QT_PREFIX]
#   QT_PREFIX defaults to what tools/build_qt_windows.sh prints (building Qt if it is missing).
#   The deployed folder and a screenshot of the window are left in $TMPDIR/pixoria-qt-check.
set -euo pipefail

source_tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
readonly source_tree
readonly wine=${PIXORIA_WINE:-/usr/lib/wine/wine64}
readonly window_title="Pixoria Qt check"
readonly mingw=x86_64-w64-mingw32

say() { echo "check_qt_windows: $*" >&2; }
fail() {
  say "$*"
  exit 1
}

work=${TMPDIR:-/tmp}/pixoria-qt-check
xvfb_pid=
wine_prefix=
cleanup() {
  if [ -n "$wine_prefix" ]; then
    WINEPREFIX=$wine_prefix "$(dirname "$wine")/wineserver" -k 2>/dev/null || true
    rm -rf "$wine_prefix"
  fi
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

build_program() {
  local qt_prefix=$1
  say "building the check program with $qt_prefix/bin/qt-cmake"
  rm -rf "$work/build"
  "$qt_prefix/bin/qt-cmake" -G Ninja -S "$source_tree/tools/qt_windows_check" -B "$work/build" \
    -DCMAKE_BUILD_TYPE=Release >"$work/build.log" 2>&1 &&
    cmake --build "$work/build" >>"$work/build.log" 2>&1 ||
    {
      tail -n 30 "$work/build.log" >&2
      fail "the check program did not build"
    }
}

# What a Qt Widgets + Network program needs beside it on Windows: Qt's DLLs, the platform and TLS
# plug-ins, and the posix mingw toolchain's runtime DLLs that Qt's DLLs import.
deploy() {
  local qt_prefix=$1 folder=$work/deploy
  rm -rf "$folder"
  mkdir -p "$folder/platforms" "$folder/tls"
  cp "$work/build/qt_windows_check.exe" "$folder/"
  local module
  for module in Core Gui Widgets Network; do
    cp "$qt_prefix/bin/Qt6$module.dll" "$folder/"
  done
  cp "$qt_prefix/plugins/platforms/qwindows.dll" "$folder/platforms/"
  cp "$qt_prefix/plugins/tls/qschannelbackend.dll" "$folder/tls/"
  local runtime path
  for runtime in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    path=$($mingw-g++-posix -print-file-name="$runtime")
    [ -f "$path" ] || path=/usr/$mingw/lib/$runtime
    [ -f "$path" ] || fail "cannot find the mingw runtime $runtime"
    cp "$path" "$folder/"
  done
  say "deployed $(du -sh --apparent-size "$folder" | cut -f1)B in $(find "$folder" -type f | wc -l) files:" \
    "$(cd "$folder" && find . -type f | sort | sed 's|^\./||' | tr '\n' ' ')"
}

start_xvfb() {
  local display_file=$work/display
  rm -f "$display_file"
  Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$display_file" 2>/dev/null &
  xvfb_pid=$!
  local tries
  for tries in $(seq 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
  done
  [ -s "$display_file" ] || fail "Xvfb did not start"
  export DISPLAY=:$(cat "$display_file")
}

# Runs the program, watches the X server for its window, and keeps a screenshot of it.
run_program() {
  wine_prefix=$(mktemp -d "${TMPDIR:-/tmp}/pixoria-qt-check-wine.XXXXXX")
  export WINEPREFIX=$wine_prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  local started=$SECONDS
  "$wine" wineboot --init >/dev/null 2>&1 || true
  "$(dirname "$wine")/wineserver" -w || true
  say "a fresh Wine prefix took $((SECONDS - started)) s to initialise"

  local output=$work/output.txt
  (cd "$work/deploy" && exec "$wine" qt_windows_check.exe) >"$output" 2>"$work/wine.log" &
  local program=$! seen=no waited
  for waited in $(seq 300); do
    if xwininfo -root -tree 2>/dev/null | grep -qF "\"$window_title\""; then
      seen=yes
      break
    fi
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
  done
  if [ "$seen" = yes ]; then
    say "the window was on the X server about $((waited / 10)) s after start"
    sleep 1
    import -window root "$work/screenshot.png" 2>/dev/null || true
  fi
  local status=0
  wait "$program" || status=$?
  # The program writes text-mode lines: CR LF.
  sed -i 's/\r$//' "$output"
  cat "$output" >&2
  [ "$seen" = yes ] || fail "the window never appeared on the X server"
  [ "$status" -eq 0 ] || fail "the program exited with $status"
  grep -qx 'supportsSsl: true' "$output" || fail "Qt's TLS backend did not load"
}

main() {
  local qt_prefix=${1:-}
  if [ -z "$qt_prefix" ]; then
    qt_prefix=$("$source_tree/tools/build_qt_windows.sh" | tail -n 1)
  fi
  "$source_tree/tools/setup.sh" qt-windows >&2
  [ -x "$qt_prefix/bin/qt-cmake" ] || fail "$qt_prefix has no bin/qt-cmake"
  mkdir -p "$work"
  build_program "$qt_prefix"
  deploy "$qt_prefix"
  start_xvfb
  run_program
  say "passed; the deployed program and screenshot.png are in $work"
}

main "$@"
