# The Debian package, made by `cpack -G DEB` in a Release build folder (tools/test_package.sh
# shows the whole way): pixoria_<version>_amd64.deb with what `cmake --install` puts in /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pixoria)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Corvane)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop wallpaper changer")
# The long description, in lines short enough for a terminal.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Corvane Pixoria changes the desktop wallpaper on a schedule, with pictures"
  "from Bing's image archive, NASA's image of the day, Wikipedia's featured"
  "picture or the user's own files, on one monitor or two. It sets them through"
  "GNOME, Cinnamon, MATE, KDE Plasma, Xfce, sway or the X root window."
  "A tray agent, PixoriaHelper, changes the pictures; the Pixoria window"
  "configures it.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvane <support@corvane.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.corvane.com/pixoria)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link: dpkg-shlibdeps reads them from the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# What the programs load or run rather than link, which dpkg-shlibdeps cannot see:
set(pixoria_depends)
set(pixoria_recommends
  # gsettings sets the wallpaper on GNOME, Cinnamon and MATE.
  libglib2.0-bin
  # dbus-send runs the wallpaper script in KDE Plasma's shell.
  dbus-bin
  # xdg-user-dirs-update writes user-dirs.dirs, where the Pictures folder is looked up.
  xdg-user-dirs)
if(TARGET Pixoria)
  # Qt loads its platform plug-in (xcb, wayland) at run time; without one Pixoria cannot start.
  list(APPEND pixoria_depends qt6-qpa-plugins)
  # xdg-open opens the maker's web pages from the About and information dialogs.
  list(APPEND pixoria_recommends xdg-utils)
endif()
set(pixoria_suggests
  # xfconf-query and swaymsg come with their desktops; named for a session started by hand.
  xfconf sway)
list(JOIN pixoria_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
list(JOIN pixoria_recommends ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
list(JOIN pixoria_suggests ", " CPACK_DEBIAN_PACKAGE_SUGGESTS)

include(CPack)
