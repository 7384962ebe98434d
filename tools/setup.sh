#!/usr/bin/env bash
# Installs the Debian 12 packages that are missing for a purpose: build, run, test, bench,
# package or qt-windows.
# Usage: tools/setup.sh PURPOSE...   (as root, or through sudo when it is there)
set -euo pipefail

build_packages=(
  cmake ninja-build g++ pkg-config ca-certificates
  libjpeg62-turbo-dev libpng-dev libgif-dev libwebp-dev
  libx11-dev libxrandr-dev libcurl4-openssl-dev libsystemd-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev
)
run_packages=(xvfb xauth x11-xserver-utils x11-apps imagemagick)
test_packages=(
  libgtest-dev libgmock-dev xvfb xauth x11-xserver-utils python3 openssl dbus-daemon
  clang libclang-rt-14-dev ccache clang-format-14 clang-tidy-14
  wine64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest
  qt6-gtk-platformtheme
  nsis  # makensis: the Windows installer, built and tested under Wine
  iproute2  # ip: the network watch's tests change links and routes in a namespace of their own
)
# The desktops' own services and a real tray, which the tests start on private buses and servers.
# libxfconf-0-3 is only a recommendation of xfconf, but xfconf-query cannot run without it.
desktop_service_packages=(
  dbus-bin dconf-service dconf-gsettings-backend libglib2.0-bin gsettings-desktop-schemas
  cinnamon-desktop-data mate-desktop-common xfconf libxfconf-0-3 sway swaybg grim
  haskell-status-notifier-item-utils haskell-gtk-sni-tray-utils waybar qt6-declarative-dev
)
# Making the Debian package (dpkg-shlibdeps, file), checking it, and what installing it needs.
package_packages=(dpkg-dev file lintian desktop-file-utils appstream imagemagick python3 qt6-qpa-plugins)
bench_packages=(libvips-tools imagemagick time hyperfine xvfb xauth)
# Qt for Windows, built from Debian's qt6-base source (tools/build_qt_windows.sh) and checked
# under Wine on Xvfb (tools/check_qt_windows.sh).
qt_windows_packages=(
  dpkg-dev xz-utils debian-archive-keyring cmake ninja-build perl qt6-base-dev qt6-base-dev-tools
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 xvfb x11-utils imagemagick
)

wanted=()
for purpose in "$@"; do
  case "$purpose" in
    build) wanted+=("${build_packages[@]}") ;;
    run) wanted+=("${build_packages[@]}" "${run_packages[@]}") ;;
    test) wanted+=("${build_packages[@]}" "${test_packages[@]}" "${desktop_service_packages[@]}") ;;
    bench) wanted+=("${build_packages[@]}" "${bench_packages[@]}") ;;
    package) wanted+=("${build_packages[@]}" "${package_packages[@]}") ;;
    qt-windows) wanted+=("${qt_windows_packages[@]}") ;;
    *)
      echo "setup.sh: unknown purpose '$purpose' (build, run, test, bench, package, qt-windows)" >&2
      exit 2
      ;;
  esac
done

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "setup.sh: installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
