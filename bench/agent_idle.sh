#!/usr/bin/env bash
# Measures the agent at rest after a completed change: resident memory (RssAnon and VmRSS from
# /proc/PID/status) once a 10240x5760 JPEG has been downloaded, fitted and set, and the context
# switches it makes over a quiet minute with no timer due.
# Usage: bench/agent_idle.sh [BUILD_DIR] [QUIET_SECONDS]
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$source_dir/build/default}
quiet=${2:-60}

world=$(mktemp -d /tmp/pixoria-idle-XXXXXX)
export HOME=$world/home XDG_CONFIG_HOME=$world/home/.config XDG_DATA_HOME=$world/home/.local/share
export XDG_STATE_HOME=$world/home/.local/state XDG_RUNTIME_DIR=$world/run
export PIXORIA_DESKTOP=headless PIXORIA_SCREENS=1920x1080
mkdir -p "$XDG_CONFIG_HOME/pixoria" "$XDG_RUNTIME_DIR" "$world/mirror/images"
chmod 700 "$XDG_RUNTIME_DIR"
server_pid=
agent_pid=
trap '[ -n "$agent_pid" ] && kill $agent_pid 2>/dev/null; [ -n "$server_pid" ] && kill $server_pid 2>/dev/null; rm -rf "$world"' EXIT

convert -size 10240x5760 gradient:'#203a43-#ffd89b' -quality 90 "$world/mirror/images/big.jpg"
printf '<images><image><url>/images/big.jpg</url></image></images>' >"$world/mirror/HPImageArchive.aspx"
python3 "$source_dir/tools/fixture_server.py" "$world/mirror" --lifetime $((quiet + 120)) >"$world/server.out" &
server_pid=$!
for _ in $(seq 50); do grep -q '^PORT' "$world/server.out" 2>/dev/null && break; sleep 0.1; done
port=$(awk '/^PORT/ {print $2; exit}' "$world/server.out")
export PIXORIA_BING_ORIGIN=http://127.0.0.1:$port PIXORIA_BING_IMAGE_BASE=http://127.0.0.1:$port

printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Corvane Pixoria]\n"Enabled"=dword:00000001\n"Source"=dword:00000000\n' \
  >"$XDG_CONFIG_HOME/pixoria/HKCU.reg"

"$build/agent/PixoriaHelper" 2>/dev/null &
agent_pid=$!
post() { "$build/tools/pixoria-post" PIXORIA "Corvane Pixoria Helper" "$@"; }
for _ in $(seq 100); do post 0 2>/dev/null && break; sleep 0.05; done
# The first change fits image.jpg; the second one (Next Image) is also set a second later.
post 273 307
log=$XDG_STATE_HOME/pixoria/desktop.log
for _ in $(seq 200); do [ -s "$log" ] && break; sleep 0.1; done
[ -s "$log" ] || { echo "the agent set nothing" >&2; exit 1; }
sleep 2

field() { awk -v k="$1:" '$1 == k {print $2}' "/proc/$agent_pid/status"; }
switches() { echo $(( $(field voluntary_ctxt_switches) + $(field nonvoluntary_ctxt_switches) )); }
echo "after a fitted 10240x5760 change: RssAnon $(field RssAnon) kB, VmRSS $(field VmRSS) kB"
before=$(switches)
sleep "$quiet"
echo "context switches over ${quiet}s idle: $(( $(switches) - before ))"
