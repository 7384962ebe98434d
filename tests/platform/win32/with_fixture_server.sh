#!/usr/bin/env bash
# Runs a command with the loopback fixture server (tools/fixture_server.py) beside it, on the
# Linux side, and hands the server's port over as PIXORIA_FIXTURE_PORT (Wine passes the
# environment on to Windows programs), and the file where it writes each request's User-Agent as
# PIXORIA_FIXTURE_AGENT_LOG. It serves the files of an empty folder, PIXORIA_FIXTURE_FOLDER, that
# the command may fill. The server is stopped when the command ends.
# Usage: with_fixture_server.sh [--fail-first N] COMMAND [ARGUMENTS...]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
server_script="$here/../../../tools/fixture_server.py"
work=$(mktemp -d)
server=
cleanup() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

options=()
if [ "${1:-}" = --fail-first ]; then
  options=(--fail-first "$2")
  shift 2
fi
mkdir "$work/www"
python3 "$server_script" "$work/www" --lifetime 240 --agent-log "$work/agents.log" \
  "${options[@]}" >"$work/server.out" &
server=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's/^PORT \([0-9]*\)$/\1/p' "$work/server.out")
  [ -n "$port" ] && break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "with_fixture_server.sh: the fixture server did not start" >&2
  exit 1
fi

PIXORIA_FIXTURE_PORT=$port PIXORIA_FIXTURE_AGENT_LOG=$work/agents.log \
  PIXORIA_FIXTURE_FOLDER=$work/www "$@"
