#!/usr/bin/env bash
# Checks tools/check_style.sh on a copy of the tree's C++ files: it passes on them as they are,
# fails on a file clang-format would change, and fails on any clang-tidy finding, naming its line.
# clang-tidy runs on small files of the test's own, compiled through compile_commands.json files
# written here, so the test takes seconds and needs no build.
set -euo pipefail

source_tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
for tool in clang-format-14 clang-tidy-14 git python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is missing (tools/setup.sh test installs it)"
    exit 77
  fi
done

world=$(mktemp -d "${TMPDIR:-/tmp}/pixoria-style-test.XXXXXX")
trap 'rm -rf "$world"' EXIT
export XDG_CACHE_HOME=$world/cache
copy=$world/tree
# shellcheck source=script_checks.sh
source "$(dirname "${BASH_SOURCE[0]}")/script_checks.sh"

# The tracked C++ files, the style files and the script, in a repository of their own.
mkdir -p "$copy"
(cd "$source_tree" && git ls-files -z -- '*.cpp' '*.h' && printf '%s\0' .clang-format \
  .clang-tidy tools/check_style.sh) | (cd "$source_tree" && xargs -0 cp --parents -t "$copy")
cat >"$copy/probe.cpp" <<'EOF'
int probe(int value) {
  if (value < 0) {
    return 0;
  }
  return value;
}
EOF
mkdir -p "$copy/build/default"
cat >"$copy/build/default/compile_commands.json" <<EOF
[{"directory": "$copy", "file": "probe.cpp", "command": "c++ -std=c++20 -c probe.cpp"}]
EOF
git -C "$copy" init -q
git -C "$copy" add -A

style() { (cd "$copy" && bash tools/check_style.sh "$@" >"$world/out" 2>&1); }
fails_naming() {
  local text=$1
  shift
  ! style "$@" && grep -qF -- "$text" "$world/out"
}
probe_body() {
  printf 'int probe(int value) {\n%s\n  return value;\n}\n' "$1" >"$copy/probe.cpp"
}
braceless='  if (value < 0)
    return 0;'

check "the tree's files pass" style
check "clang-tidy found nothing in the probe" grep -q ' 0 findings' "$world/out"

# A file clang-format would change is named; the tree's files stay clean.
unformatted=$(cd "$copy" && git ls-files -- '*.cpp' | awk '$0 != "probe.cpp" && !n++')
cp "$copy/$unformatted" "$world/saved"
printf 'int  unformatted( int x ){return x;}\n' >>"$copy/$unformatted"
check "an unformatted file fails and is named" fails_naming "$unformatted" --format-only
cp "$world/saved" "$copy/$unformatted"
check "formatted again, it passes" style --format-only

# clang-tidy's findings beyond the baseline fail.
probe_body "$braceless"
check "an if without braces fails" fails_naming readability-braces-around-statements --tidy-only
check "the finding is shown with its line" grep -qF 'probe.cpp:2:' "$world/out"
probe_body '  return int(value * 1.5) + (int)0.5;'
check "a functional cast is a finding" fails_naming 'probe.cpp:2:10:' --tidy-only
check "a C-style cast is a finding" grep -qF 'probe.cpp:2:29:' "$world/out"

# The Windows build's check takes only what the Linux build does not compile.
mkdir -p "$copy/build/windows-mingw"
printf 'int windowsOnly(int value) {\n%s\n  return value;\n}\n' "$braceless" >"$copy/windows_only.cpp"
cat >"$copy/build/windows-mingw/compile_commands.json" <<EOF
[{"directory": "$copy", "file": "probe.cpp", "command": "c++ -std=c++20 -c probe.cpp"},
 {"directory": "$copy", "file": "windows_only.cpp", "command": "c++ -std=c++20 -c windows_only.cpp"}]
EOF
git -C "$copy" add windows_only.cpp
if command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  check "a Windows-only file's finding fails" fails_naming 'windows_only.cpp:2:' --windows
  check "the Linux build's files are left out" grep -q ' 1 translation units' "$world/out"
fi

# The cache answers for a file seen before, and a changed .clang-tidy is not answered from it.
probe_body "$braceless"
check "the cache holds results" test -n "$(ls "$XDG_CACHE_HOME/pixoria/tidy")"
sed -i 's/^  readability-braces-around-statements,$//' "$copy/.clang-tidy"
check "a changed .clang-tidy is applied" style --tidy-only
check "without the braces check nothing is found" grep -q ' 0 findings' "$world/out"

# Without compile_commands.json the check says what to do instead of passing.
rm "$copy/build/default/compile_commands.json"
check "a missing compile_commands.json fails" fails_naming 'cmake --preset default' --tidy-only

if [ "$failures" -gt 0 ]; then
  echo "$failures checks failed; the last output of check_style.sh:"
  cat "$world/out"
  exit 1
fi
echo "all checks passed"
