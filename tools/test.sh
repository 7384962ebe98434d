#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the normal build, the style check
# (tools/check_style.sh), the sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer),
# the image tests under ThreadSanitizer, the Windows build of both programs (with Qt for Windows,
# built once and cached) under Wine and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh test

# Objects compiled before, in this clone or another one, are taken from ccache's cache outside
# the tree; paths are hashed relative to the clone so that any clone shares it.
export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
export CCACHE_BASEDIR="$PWD/.." CCACHE_NOHASHDIR=1 CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-10G}

jobs=$(nproc)
stage() { printf '\n=== %s ===\n' "$*"; }

stage "build and test (release with debug info)"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

stage "style: clang-format-14 and clang-tidy-14"
bash tools/check_style.sh build/default

stage "build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --preset asan -j "$jobs"

stage "the image decoder's threads under ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
TSAN_OPTIONS=halt_on_error=1 ctest --preset tsan -j "$jobs"

stage "the image tests with libjpeg alone, without the threaded JPEG decoder"
cmake --preset libjpeg-only >/dev/null
cmake --build --preset libjpeg-only -j "$jobs"
ctest --preset libjpeg-only -j "$jobs"

stage "Windows build (mingw-w64), tested under Wine"
# Qt for Windows, built once and then taken from its cache in about a second (its last line is
# the prefix). A cold build takes long: it runs at the lowest priority.
qt_windows=$(nice -n 19 bash tools/build_qt_windows.sh | tail -n 1)
cmake --preset windows -DPIXORIA_QT_WINDOWS_PREFIX="$qt_windows" >/dev/null
cmake --build --preset windows -j "$jobs"
# The files only this build compiles, with clang-tidy (the rest was checked above).
bash tools/check_style.sh --windows build/windows-mingw
ctest --preset windows -j "$jobs"
# The tests' Wine servers would linger a few seconds; end them now.
for prefix in wineprefix wineprefix-x11; do
  WINEPREFIX="$PWD/build/windows-mingw/$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
done

stage "the Debian package: built, checked, installed, upgraded, run from /usr/bin and removed"
bash tools/test_package.sh

stage "fuzzing"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs" --target fuzzers
bash tools/run_fuzzers.sh build/fuzz "${PIXORIA_FUZZ_SECONDS:-20}"
