#!/usr/bin/env bash
# Checks tools/build_qt_windows.sh's guards without building Qt: a source whose digests do not
# match is refused before anything is unpacked or installed, a half-installed prefix is not taken
# for a finished one, and a finished prefix is reused without looking at the source at all.
#
# Needs the Debian source description the script downloads (qt-source/*.dsc in the real cache,
# $XDG_CACHE_HOME/pixoria or ~/.cache/pixoria); without it the test is skipped (exit 77).
set -euo pipefail

source_tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
script=$source_tree/tools/build_qt_windows.sh
real_source=${XDG_CACHE_HOME:-$HOME/.cache}/pixoria/qt-source
dsc=$(find "$real_source" -maxdepth 1 -name 'qt6-base_*.dsc' 2>/dev/null | head -n 1)
if [ -z "$dsc" ]; then
  echo "SKIP: no qt6-base .dsc under $real_source (run tools/build_qt_windows.sh once)"
  exit 77
fi

world=$(mktemp -d "${TMPDIR:-/tmp}/pixoria-qt-script-test.XXXXXX")
trap 'rm -rf "$world"' EXIT
# shellcheck source=script_checks.sh
source "$(dirname "${BASH_SOURCE[0]}")/script_checks.sh"

# A cache of its own whose download folder holds the real .dsc and stand-ins for the archives.
make_cache() {
  local cache=$1/cache/pixoria
  mkdir -p "$cache/qt-source" "$1/tmp"
  cp "$dsc" "$cache/qt-source/"
  local archive
  for archive in $(sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$dsc" | awk '{print $3}'); do
    echo "not the archive the .dsc describes" >"$cache/qt-source/$archive"
  done
}

run_script() {
  local home=$1
  shift
  XDG_CACHE_HOME=$home/cache TMPDIR=$home/tmp "$script" "$@" >"$home/stdout" 2>"$home/stderr"
}

refused() { ! run_script "$1"; }

nothing_installed() {
  local home=$1
  [ -z "$(find "$home/cache/pixoria" -maxdepth 1 -name 'qt-*-mingw-*' ! -name '*.lock' \
    ! -name '*.partial')" ] && [ -z "$(ls -A "$home/tmp")" ]
}

# Archives that do not match the .dsc, with a half-finished install left by a killed run.
home=$world/archives
make_cache "$home"
prefix=$(XDG_CACHE_HOME=$home/cache "$script" --print-prefix)
mkdir -p "$prefix.partial/bin" && touch "$prefix.partial/bin/qt-cmake"
chmod +x "$prefix.partial/bin/qt-cmake"
check "archives that do not match the .dsc are refused" refused "$home"
check "the refusal says which files do not match" grep -q 'do not match' "$home/stderr"
check "nothing is unpacked or installed from them" nothing_installed "$home"

# A .dsc that is not the pinned one.
home=$world/dsc
make_cache "$home"
echo " tampered" >>"$home/cache/pixoria/qt-source/$(basename "$dsc")"
check "a .dsc with another digest is refused" refused "$home"
check "the refusal names the digest" grep -q 'expected SHA-256 digest' "$home/stderr"
check "nothing is unpacked or installed from it" nothing_installed "$home"

# A finished prefix is used as it is, even with a source that would be refused.
prefix=$(XDG_CACHE_HOME=$home/cache "$script" --print-prefix)
mkdir -p "$prefix/bin" && touch "$prefix/bin/qt-cmake" && chmod +x "$prefix/bin/qt-cmake"
check "a cached prefix is reused" run_script "$home"
check "its path is the last line printed" test "$(tail -n 1 "$home/stdout")" = "$prefix"

[ "$failures" -eq 0 ] || {
  echo "$failures check(s) failed"
  exit 1
}
