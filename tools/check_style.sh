#!/usr/bin/env bash
# Checks the house style of the tracked C++ files:
# - clang-format-14 (.clang-format) must leave every file as it is;
# - clang-tidy-14 (.clang-tidy) may report nothing beyond the findings recorded in
#   tools/clang_tidy_baseline.txt.
#
# Usage: tools/check_style.sh [--format-only | --tidy-only | --record] [BUILD_DIR]
#   BUILD_DIR   the build whose compile_commands.json clang-tidy reads (default build/default,
#               built, so that the application's generated headers exist)
#   --record    writes the current clang-tidy findings to the baseline instead of comparing
#
# clang-tidy sees the files the build compiles: the Windows-only files (platform/win32/...) are
# not in the Linux build and are checked by clang-format alone.
#
# A baseline entry is "path: message [check]", without the line and column, so that editing a
# file elsewhere does not turn its recorded findings into new ones. Entries are counted: a second
# finding of the same kind in the same file is new.
#
# clang-tidy's result for each translation unit is kept in ${XDG_CACHE_HOME:-~/.cache}/pixoria/tidy
# under a hash of the source file, every tracked header, .clang-tidy, the compile command and
# clang-tidy's version, so that an unchanged tree is checked in seconds. Paths are stored
# relative to the source tree, so that clones share the cache.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

mode=all
case "${1:-}" in
  --format-only) mode=format && shift ;;
  --tidy-only) mode=tidy && shift ;;
  --record) mode=record && shift ;;
  -*)
    echo "check_style.sh: unknown option '$1'" >&2
    exit 2
    ;;
esac
build_dir=${1:-build/default}
baseline=tools/clang_tidy_baseline.txt
clang_format=${CLANG_FORMAT:-clang-format-14}
clang_tidy=${CLANG_TIDY:-clang-tidy-14}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/pixoria/tidy
work=$(mktemp -d "${TMPDIR:-/tmp}/pixoria-style.XXXXXX")
trap 'rm -rf "$work"' EXIT

tracked_sources() { git ls-files -- '*.cpp' '*.cc' '*.c' '*.h' '*.hpp'; }

check_format() {
  local status=0 files
  tracked_sources | tr '\n' '\0' |
    xargs -0 -r -P "$(nproc)" -n 40 "$clang_format" --dry-run --Werror 2>"$work/format" ||
    status=$?
  if [ "$status" -eq 0 ]; then
    echo "check_style: clang-format: $(tracked_sources | wc -l) files formatted"
    return 0
  fi
  files=$(sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' \
    "$work/format" | sort -u)
  # xargs reports 123 when clang-format found something; anything else is clang-format failing.
  if [ "$status" -ne 123 ] || [ -z "$files" ]; then
    cat "$work/format" >&2
    echo "check_style: clang-format failed (xargs status $status)" >&2
    return 1
  fi
  echo "check_style: clang-format: these files are not formatted (clang-format-14 -i FILE):" >&2
  sed 's/^/  /' <<<"$files" >&2
  return 1
}

# One line per translation unit: the tracked source file and the hash of its compile command,
# with the source tree's path replaced so that the hash is the same in every clone.
translation_units() {
  python3 - "$build_dir/compile_commands.json" "$root" <<'PY'
import hashlib, json, os, subprocess, sys
entries = json.load(open(sys.argv[1]))
root = sys.argv[2]
tracked = set(subprocess.check_output(["git", "ls-files", "-z"]).decode().split("\0"))
for entry in entries:
    path = os.path.relpath(os.path.join(entry["directory"], entry["file"]), root)
    if path not in tracked:
        continue
    command = entry.get("command") or " ".join(entry["arguments"])
    command = (entry["directory"] + "\n" + command).replace(root, "@ROOT@")
    print(path, hashlib.sha256(command.encode()).hexdigest())
PY
}

# Runs clang-tidy on one translation unit, or takes its result from the cache. Writes the
# findings in tracked files as "path:line:column: message [check]", the path relative to the tree,
# to a file of the unit's own: the parallel runs do not share an output.
# shellcheck disable=SC2317  # run by xargs
tidy_one() {
  local file=$1 command_hash=$2
  local key
  key=$(printf '%s\n' "$shared_key" "$command_hash" "$file" "$(sha256sum <"$file")" |
    sha256sum | cut -c1-64)
  if [ -f "$cache/$key" ]; then
    cp "$cache/$key" "$work/units.d/$key"
    return 0
  fi
  local output
  if ! output=$("$clang_tidy" -p "$build_dir" --quiet "$file" 2>&1); then
    printf 'check_style: clang-tidy failed on %s:\n%s\n' "$file" "$output" >&2
    return 255  # stops xargs
  fi
  local findings
  findings=$(grep -E '^/.*:[0-9]+:[0-9]+: warning: .* \[[a-z0-9.,-]+\]$' <<<"$output" |
    sed -n "s|^$root/||p" | keep_tracked || true)
  mkdir -p "$cache"
  printf '%s' "${findings:+$findings$'\n'}" >"$cache/$key.$$"
  cp "$cache/$key.$$" "$work/units.d/$key"
  mv "$cache/$key.$$" "$cache/$key"
}

# Keeps the findings whose file is tracked: generated headers in the build folder are not ours.
# shellcheck disable=SC2317  # run by xargs
keep_tracked() {
  awk -F: 'NR == FNR { tracked[$0] = 1; next } ($1 in tracked)' "$work/tracked" -
}

# Every finding once (a header's finding is reported by each file that includes it), then
# without its line and column, sorted so that comm can compare it with the baseline.
tidy_findings() {
  if [ ! -f "$build_dir/compile_commands.json" ]; then
    echo "check_style: no $build_dir/compile_commands.json; configure and build it first" >&2
    echo "  (cmake --preset default && cmake --build --preset default)" >&2
    return 1
  fi
  git ls-files >"$work/tracked"
  shared_key=$(
    "$clang_tidy" --version
    cat .clang-tidy
    git ls-files -- '*.h' '*.hpp' | xargs -r sha256sum
  )
  shared_key=$(sha256sum <<<"$shared_key" | cut -c1-64)
  export root build_dir cache clang_tidy shared_key work
  export -f tidy_one keep_tracked
  translation_units >"$work/units"
  mkdir "$work/units.d"
  xargs -r -P "$(nproc)" -L 1 bash -c 'tidy_one "$@"' _ <"$work/units" || return 1
  find "$work/units.d" -type f -exec cat {} + | sort -u >"$work/located.unique"
  sed -E 's/^([^:]+):[0-9]+:[0-9]+: warning: /\1: /' "$work/located.unique" |
    LC_ALL=C sort >"$work/findings"
  echo "check_style: clang-tidy: $(wc -l <"$work/units") translation units," \
    "$(wc -l <"$work/findings") findings"
}

check_tidy() {
  tidy_findings || return 1
  # No baseline yet means no finding is accepted.
  cat "$baseline" 2>/dev/null | LC_ALL=C sort >"$work/baseline" || true
  LC_ALL=C comm -13 "$work/baseline" "$work/findings" >"$work/new"
  local fixed
  fixed=$(LC_ALL=C comm -23 "$work/baseline" "$work/findings" | wc -l)
  if [ "$fixed" -gt 0 ]; then
    echo "check_style: $fixed recorded findings are gone; record the baseline again" \
      "(tools/check_style.sh --record)"
  fi
  [ -s "$work/new" ] || return 0
  echo "check_style: clang-tidy: findings beyond $baseline:" >&2
  # Each new finding with its line, for the reader.
  while IFS= read -r finding; do
    local path=${finding%%: *} rest=${finding#*: }
    grep -F -- "$path:" "$work/located.unique" | grep -F -- ": warning: $rest" |
      sed 's/^/  /' >&2 || true
  done < <(LC_ALL=C sort -u "$work/new")
  echo "  (fix them; a finding the house accepts is recorded with tools/check_style.sh --record)" >&2
  return 1
}

for tool in "$clang_format" "$clang_tidy" git python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "check_style: $tool is missing (tools/setup.sh test installs it)" >&2
    exit 2
  fi
done

status=0
case "$mode" in
  format) check_format || status=1 ;;
  tidy) check_tidy || status=1 ;;
  all)
    check_format || status=1
    check_tidy || status=1
    ;;
  record)
    tidy_findings || exit 1
    cp "$work/findings" "$baseline"
    echo "check_style: recorded $(wc -l <"$baseline") findings in $baseline"
    ;;
esac
exit "$status"
