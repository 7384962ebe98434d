#!/usr/bin/env bash
# Builds Qt 6.4.2 (qt6-base) for 64-bit Windows with Debian's mingw-w64 toolchain, from Debian's
# own source package, and caches the installed result outside the source tree. Debian ships no
# Qt for mingw-w64, but its qt6-base source builds with Debian's Qt 6.4.2 host tools
# (moc, rcc, uic from /usr).
#
# Usage: tools/build_qt_windows.sh [--print-prefix]
#   Prints the install prefix (the folder holding bin/qt-cmake) as the last line of its output;
#   everything else goes to standard error. When that prefix is already cached it prints it and
#   returns at once. --print-prefix prints where this recipe's Qt is or would be, and builds
#   nothing (a CI cache can key on that folder's name).
#
# The prefix is $XDG_CACHE_HOME/pixoria/qt-6.4.2-mingw-<key> (XDG_CACHE_HOME defaults to
# ~/.cache), where <key> is a hash of the recipe below: the Debian source, the configure options
# and the toolchain file. Change any of them and a new prefix is built beside the old one.
#
# A prefix only ever appears complete: Qt is installed into a sibling folder that is renamed into
# place in one step. The build itself runs in $TMPDIR/pixoria-qt-build-<key>, which a failed or
# killed run leaves behind so that the next run resumes it; a successful run removes it.
#
# Environment: PIXORIA_QT_JOBS (parallel compile jobs, default the number of processors).
# Run it under `nice -n 19` on a shared machine: a cold build takes about half an hour or more.
set -euo pipefail

readonly qt_version=6.4.2
# The exact Debian source, pinned by the digest of its signed description (.dsc): the .dsc in
# turn names the digest of every archive it is made of, and those are checked before anything is
# unpacked. A new Debian revision means changing both lines, and gives a new prefix.
readonly debian_version=6.4.2+dfsg-10
readonly dsc_sha256=1b4b5c8610a553d4211fa81e268b1a3b0a6339ae5444fdb7e60d7616da651970
readonly debian_mirror=http://deb.debian.org/debian
readonly debian_keyring=/usr/share/keyrings/debian-archive-keyring.gpg
# Raise when a change to the steps below changes what gets installed.
readonly recipe_revision=1

source_tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
readonly source_tree
readonly toolchain_file=$source_tree/cmake/mingw-w64-x86_64-qt.cmake
readonly host_cmake_dir=/usr/lib/x86_64-linux-gnu/cmake

configure_options=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=$host_cmake_dir
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  # Modules and features the two programs do not use. Qt Test stays: the application's tests
  # are built for Windows too.
  -DFEATURE_sql=OFF
  -DFEATURE_dbus=OFF
  -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF
  -DFEATURE_vulkan=OFF
  -DFEATURE_openssl=OFF
  -DFEATURE_icu=OFF
  # Debian's repacked tarball leaves out src/3rdparty/wintab, without which the Windows platform
  # plug-in does not compile with tablet events on.
  -DFEATURE_tabletevent=OFF
  # OpenGL stays on (Qt picks dynamic OpenGL, loading opengl32 at run time): 6.4.2's
  # qwindowswindow.cpp does not compile without it.
  # The third-party libraries come from Qt's own copies: Debian has none of them for mingw-w64.
  -DFEATURE_system_zlib=OFF
  -DFEATURE_system_png=OFF
  -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_freetype=OFF
  -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_pcre2=OFF
)
readonly configure_options

say() { echo "build_qt_windows: $*" >&2; }
fail() {
  say "$*"
  exit 1
}

recipe() {
  echo "qt $qt_version"
  echo "debian source $debian_version $dsc_sha256"
  echo "recipe revision $recipe_revision"
  printf 'option %s\n' "${configure_options[@]}"
  echo "toolchain file:"
  cat "$toolchain_file"
}

recipe_key() { recipe | sha256sum | cut -c1-16; }

# Debian's host tools generate code for the Qt being built, so their versions must agree.
check_host_tools() {
  local host_version
  host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null) ||
    fail "qt6-base-dev-tools is not installed"
  [ "${host_version%%+*}" = "$qt_version" ] ||
    fail "the host's Qt tools are $host_version; this recipe builds Qt $qt_version"
}

# Downloads the Debian source into $1 through apt with a private state of its own, so the
# system's apt configuration is neither needed nor changed. apt checks the files against the
# archive's signed index.
fetch_source() {
  local download_folder=$1 apt_state
  apt_state=$(mktemp -d "${TMPDIR:-/tmp}/pixoria-qt-apt.XXXXXX")
  mkdir -p "$apt_state"/{lists/partial,archives/partial,sources.list.d}
  echo "deb-src [signed-by=$debian_keyring] $debian_mirror bookworm main" \
    >"$apt_state/sources.list"
  local apt_options=(
    -o "Dir::Etc::SourceList=$apt_state/sources.list"
    -o "Dir::Etc::SourceParts=$apt_state/sources.list.d"
    -o "Dir::State::Lists=$apt_state/lists"
    -o "Dir::Cache=$apt_state"
    -o Debug::NoLocking=1
    -o APT::Sandbox::User=root
  )
  say "downloading the source of qt6-base $debian_version"
  local status=0
  (
    cd "$download_folder" &&
      apt-get -q "${apt_options[@]}" update >&2 &&
      apt-get -q "${apt_options[@]}" source --download-only "qt6-base=$debian_version" >&2
  ) || status=$?
  rm -rf "$apt_state"
  [ "$status" -eq 0 ] || fail "could not download the source of qt6-base $debian_version"
}

# Checks the .dsc against the pinned digest and every file it names against the .dsc. Returns 1
# when a file is missing (an interrupted or first download); a file that is there but differs is
# an error, never silently replaced.
verify_source() {
  local download_folder=$1
  local dsc=$download_folder/qt6-base_$debian_version.dsc
  [ -f "$dsc" ] || return 1
  echo "$dsc_sha256  $dsc" | sha256sum --check --status ||
    fail "$dsc does not have the expected SHA-256 digest"
  local listed file
  listed=$(sed -n '/^Checksums-Sha256:/,/^[^ ]/{/^ /p}' "$dsc" | awk '{print $1 "  " $3}')
  [ -n "$listed" ] || fail "$dsc lists no SHA-256 checksums"
  for file in $(awk '{print $2}' <<<"$listed"); do
    [ -f "$download_folder/$file" ] || return 1
  done
  (cd "$download_folder" && sha256sum --check --strict --quiet <<<"$listed" >&2) ||
    fail "the source files in $download_folder do not match $dsc;" \
      "remove that folder to download them again"
}

# Unpacks and patches the source into $2 (dpkg-source checks the digests in the .dsc again).
unpack_source() {
  local download_folder=$1 source_folder=$2
  rm -rf "$source_folder"
  dpkg-source --require-strong-checksums --no-copy -x \
    "$download_folder/qt6-base_$debian_version.dsc" "$source_folder" >&2 ||
    fail "could not unpack the qt6-base source"
}

# Configures Qt from $1 for the prefix $3, builds it in $2 and installs it into $4. A build folder
# left by an interrupted run is resumed rather than started again.
build_and_install() {
  local source_folder=$1 build_folder=$2 prefix=$3 install_folder=$4
  local log=$build_folder/build.log
  # Qt's qt.toolchain.cmake loads the toolchain Qt was configured with; it is configured with a
  # copy that the installed Qt carries along (see make_relocatable).
  cp "$toolchain_file" "$build_folder/mingw-toolchain.cmake"
  if [ ! -f "$build_folder/build/build.ninja" ]; then
    say "configuring (log: $log)"
    cmake -G Ninja -S "$source_folder" -B "$build_folder/build" \
      -DCMAKE_TOOLCHAIN_FILE="$build_folder/mingw-toolchain.cmake" \
      -DCMAKE_INSTALL_PREFIX="$prefix" "${configure_options[@]}" >"$log" 2>&1 ||
      fail_with_log "$log" "configuring Qt failed"
  fi
  say "building with ${PIXORIA_QT_JOBS:-$(nproc)} jobs (log: $log)"
  cmake --build "$build_folder/build" --parallel "${PIXORIA_QT_JOBS:-$(nproc)}" >>"$log" 2>&1 ||
    fail_with_log "$log" "building Qt failed; run again to resume from $build_folder"
  rm -rf "$install_folder"
  cmake --install "$build_folder/build" --prefix "$install_folder" >>"$log" 2>&1 ||
    fail_with_log "$log" "installing Qt failed"
}

fail_with_log() {
  local log=$1
  shift
  tail -n 40 "$log" >&2
  fail "$*"
}

# Puts the toolchain file inside the installed Qt and points qt.toolchain.cmake at it, so the
# prefix keeps working after it is renamed into place and after the build folder is gone.
make_relocatable() {
  local install_folder=$1
  local qt_cmake_dir=$install_folder/lib/cmake/Qt6
  local qt_toolchain=$qt_cmake_dir/qt.toolchain.cmake
  cp "$toolchain_file" "$qt_cmake_dir/mingw-toolchain.cmake"
  sed -i 's|^set(__qt_initially_configured_toolchain_file ".*")$|set(__qt_initially_configured_toolchain_file "${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake")|' \
    "$qt_toolchain"
  grep -qF '"${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake"' "$qt_toolchain" ||
    fail "$qt_toolchain does not name its toolchain file the way this script expects"
}

main() {
  local cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/pixoria
  local key
  key=$(recipe_key)
  local prefix=$cache_root/qt-$qt_version-mingw-$key
  case "${1:-}" in
    "") ;;
    --print-prefix)
      echo "$prefix"
      return
      ;;
    *) fail "unknown argument '$1' (usage: build_qt_windows.sh [--print-prefix])" ;;
  esac

  "$source_tree/tools/setup.sh" qt-windows >&2
  check_host_tools
  if [ -x "$prefix/bin/qt-cmake" ]; then
    echo "$prefix"
    return
  fi

  mkdir -p "$cache_root"
  # One build per recipe at a time; a run that waited finds the other's result.
  exec 9>"$prefix.lock"
  flock 9
  if [ -x "$prefix/bin/qt-cmake" ]; then
    echo "$prefix"
    return
  fi

  local download_folder=$cache_root/qt-source
  mkdir -p "$download_folder"
  if ! verify_source "$download_folder"; then
    fetch_source "$download_folder"
    verify_source "$download_folder" || fail "the download is incomplete: $download_folder"
  fi
  say "source verified against qt6-base_$debian_version.dsc"

  local build_folder=${TMPDIR:-/tmp}/pixoria-qt-build-$key
  mkdir -p "$build_folder"
  # The name is predictable, so make sure it is ours before building in it.
  [ -O "$build_folder" ] && [ ! -L "$build_folder" ] ||
    fail "$build_folder belongs to someone else; remove it or set TMPDIR"
  if [ ! -f "$build_folder/source.unpacked" ]; then
    unpack_source "$download_folder" "$build_folder/source"
    touch "$build_folder/source.unpacked"
  fi

  # Installed beside the cache entry (one file system, so the rename below is a single step) and
  # configured for the final path.
  local install_folder=$prefix.partial
  local started=$SECONDS
  build_and_install "$build_folder/source" "$build_folder" "$prefix" "$install_folder"
  make_relocatable "$install_folder"
  # A rename onto an existing folder fails, and the lock makes that impossible anyway.
  mv -T "$install_folder" "$prefix" || fail "could not move $install_folder to $prefix"
  say "built Qt $qt_version for Windows in $((SECONDS - started)) s"
  rm -rf "$build_folder"
  echo "$prefix"
}

main "$@"
