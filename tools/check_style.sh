#!/usr/bin/env bash
# Checks the house style of the tracked C++ files:
# - clang-format-14 (.clang-format) must leave every file as it is;
# - clang-tidy-14 (.clang-tidy) must report nothing.
#
# Usage: tools/check_style.sh [--format-only | --tidy-only | --windows] [BUILD_DIR]
#   BUILD_DIR   the build whose compile_commands.json clang-tidy reads (default build/default,
#               built, so that the application's generated headers exist)
#   --windows   checks, with clang-tidy alone, the files that only the Windows build compiles:
#               BUILD_DIR is that build (default build/windows-mingw, built), and the files that
#               build/default also compiles are left to the normal check
#
# clang-tidy sees the files the build compiles. The Windows-only files (platform/win32/...) are
# checked by --windows against the mingw-w64 build, the target and the C++ library that build
# uses given to clang-tidy.
#
# clang-tidy's result for each translation unit is kept in ${XDG_CACHE_HOME:-~/.cache}/pixoria/tidy
# under a hash of the source file, the project's headers it includes, .clang-tidy, the compile
# command and clang-tidy's version, so that an unchanged tree is checked in seconds. Paths are stored
# relative to the source tree, so that clones share the cache.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

mode=all
case "${1:-}" in
  --format-only) mode=format && shift ;;
  --tidy-only) mode=tidy && shift ;;
  --windows) mode=windows && shift ;;
  -*)
    echo "check_style.sh: unknown option '$1'" >&2
    exit 2
    ;;
esac
linux_build_dir=build/default
build_dir=${1:-build/default}
[ "$mode" = windows ] && build_dir=${1:-build/windows-mingw}
# Extra arguments for clang-tidy, without spaces inside one: set for the Windows build below.
tidy_extra=""
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

# One line per translation unit: the tracked source file, the hash of its compile command (with
# the source tree's path replaced, so that it is the same in every clone) and the hash of the
# project's headers it includes. The headers come from the build's dependency log (ninja -t deps),
# so that changing a header makes only its includers run again; a unit the log does not know yet
# is keyed by every tracked header instead.
translation_units() {
  python3 - "$build_dir" "$root" "$mode" "$linux_build_dir" <<'PY'
import hashlib, json, os, re, subprocess, sys
build_dir, root, mode, linux_build_dir = os.path.abspath(sys.argv[1]), *sys.argv[2:]
entries = json.load(open(os.path.join(build_dir, "compile_commands.json")))
tracked = set(subprocess.check_output(["git", "ls-files", "-z"]).decode().split("\0"))
if mode == "windows":
    # Only what the Linux build does not compile: the rest is checked there.
    linux = json.load(open(os.path.join(linux_build_dir, "compile_commands.json")))
    tracked -= {os.path.relpath(os.path.join(e["directory"], e["file"]), root) for e in linux}
digests = {}
def digest(path):
    if path not in digests:
        try:
            with open(path, "rb") as f:
                digests[path] = hashlib.sha256(f.read()).hexdigest()
        except OSError:
            digests[path] = "missing"
    return digests[path]
def project_digest(paths):
    lines = sorted(os.path.relpath(p, root) + " " + digest(p) for p in paths
                   if p.startswith(root + os.sep))
    return hashlib.sha256("\n".join(lines).encode()).hexdigest()
every_header = project_digest(os.path.join(root, p) for p in tracked
                              if p.endswith((".h", ".hpp")))
deps, target = {}, None
log = subprocess.run(["ninja", "-C", build_dir, "-t", "deps"], capture_output=True, text=True)
for line in log.stdout.splitlines():
    if line and not line.startswith(" "):
        target = line.split(":", 1)[0] if "(VALID)" in line else None
        deps[target] = []
    elif line.strip() and target:
        deps[target].append(os.path.normpath(os.path.join(build_dir, line.strip())))
for entry in entries:
    path = os.path.relpath(os.path.join(entry["directory"], entry["file"]), root)
    # Resource scripts (.rc) are in the Windows build's list too.
    if path not in tracked or not path.endswith((".cpp", ".cc", ".c")):
        continue
    command = entry.get("command") or " ".join(entry["arguments"])
    output = re.search(r" -o (\S+)", command)
    included = deps.get(output.group(1)) if output else None
    headers = project_digest(included) if included else every_header
    command = (entry["directory"] + "\n" + command).replace(root, "@ROOT@")
    print(path, hashlib.sha256(command.encode()).hexdigest(), headers)
PY
}

# Runs clang-tidy on one translation unit, or takes its result from the cache. Writes the
# findings in tracked files as "path:line:column: message [check]", the path relative to the tree,
# to a file of the unit's own: the parallel runs do not share an output.
# shellcheck disable=SC2317  # run by xargs
tidy_one() {
  local file=$1 command_hash=$2 headers_hash=$3
  local key
  key=$(printf '%s\n' "$shared_key" "$command_hash" "$headers_hash" "$file" "$(sha256sum <"$file")" |
    sha256sum | cut -c1-64)
  if [ -f "$cache/$key" ]; then
    cp "$cache/$key" "$work/units.d/$key"
    return 0
  fi
  local output
  # shellcheck disable=SC2086  # tidy_extra is a list of words without spaces
  if ! output=$("$clang_tidy" -p "$build_dir" --quiet $tidy_extra "$file" 2>&1); then
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

# Every finding once: a header's finding is reported by each file that includes it.
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
    echo "$tidy_extra"
  )
  shared_key=$(sha256sum <<<"$shared_key" | cut -c1-64)
  export root build_dir cache clang_tidy shared_key work tidy_extra
  export -f tidy_one keep_tracked
  translation_units >"$work/units"
  mkdir "$work/units.d"
  xargs -r -P "$(nproc)" -L 1 bash -c 'tidy_one "$@"' _ <"$work/units" || return 1
  find "$work/units.d" -type f -exec cat {} + | LC_ALL=C sort -u >"$work/findings"
  echo "check_style: clang-tidy: $(wc -l <"$work/units") translation units," \
    "$(wc -l <"$work/findings") findings"
}

check_tidy() {
  tidy_findings || return 1
  [ -s "$work/findings" ] || return 0
  echo "check_style: clang-tidy found these (fix them):" >&2
  sed 's/^/  /' "$work/findings" >&2
  return 1
}

for tool in "$clang_format" "$clang_tidy" git python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "check_style: $tool is missing (tools/setup.sh test installs it)" >&2
    exit 2
  fi
done

# The mingw-w64 target, and its C++ library's folders as its g++ names them: clang finds the
# Windows headers of the target by itself, but not the C++ library of a "-posix" g++.
windows_tidy_arguments() {
  local cxx=${MINGW_CXX:-x86_64-w64-mingw32-g++-posix} dir
  printf '%s ' --extra-arg-before=--target=x86_64-w64-mingw32
  while read -r dir; do
    printf '%s ' "--extra-arg=-isystem$dir"
  done < <("$cxx" -xc++ -E -v /dev/null 2>&1 | sed -n 's|^ \(/.*/include/c++.*\)|\1|p')
}

status=0
case "$mode" in
  format) check_format || status=1 ;;
  tidy) check_tidy || status=1 ;;
  windows)
    tidy_extra=$(windows_tidy_arguments)
    check_tidy || status=1
    ;;
  all)
    check_format || status=1
    check_tidy || status=1
    ;;
esac
exit "$status"
