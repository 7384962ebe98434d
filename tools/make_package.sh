#!/usr/bin/env bash
# Builds the Debian package: a stripped Release build installed under /usr, packed by CPack.
# Usage: tools/make_package.sh [BUILD_FOLDER]   (default build/package); prints the package's path.
# To build and install it: apt install "$(bash tools/make_package.sh)"
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-$PWD/build/package}

# Standard output carries the package's path alone.
bash tools/setup.sh build package >&2
# Debian's hardening on top of Debian's compiler defaults (PIE, partial RELRO): checked string and
# memory functions, stack protector, and every symbol bound at load so all of RELRO is read-only.
hardening="-D_FORTIFY_SOURCE=2 -fstack-protector-strong"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DPIXORIA_WERROR=ON -DPIXORIA_BUILD_TESTS=OFF -DPIXORIA_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS="$hardening" -DCMAKE_CXX_FLAGS="$hardening" \
  -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro -Wl,-z,now" >/dev/null
# The build's own output goes to a log, shown when the build fails.
cmake --build "$build" -j "$(nproc)" >"$build/build.log" || { cat "$build/build.log"; exit 1; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
rm -f "$build/pixoria_${version}_amd64.deb"
(cd "$build" && cpack -G DEB >/dev/null)
echo "$build/pixoria_${version}_amd64.deb"
