#include "gsettings_desktop.h"

#include "desktop_command.h"
#include "session_monitors.h"
#include "text_literals.h"
#include "wallpaper_copies.h"

namespace pixoria::platform {
namespace {

// The picture-options enum all three schemas share.
std::string_view pictureOption(WallpaperPosition position) {
  switch (position) {
    case WallpaperPosition::center:
      return "centered";
    case WallpaperPosition::tile:
      return "wallpaper";
    case WallpaperPosition::stretch:
      return "stretched";
    case WallpaperPosition::fit:
      return "scaled";
    case WallpaperPosition::fill:
      return "zoom";
    case WallpaperPosition::span:
      return "spanned";
  }
  return {};
}

std::vector<std::string> gsettingsSet(std::string_view schema, std::string_view key,
                                      std::string_view value) {
  return {"gsettings", "set", std::string(schema), std::string(key), std::string(value)};
}

}  // namespace

const GsettingsFlavour& gnomeFlavour() {
  static const GsettingsFlavour flavour{
      "gnome", "GNOME", "org.gnome.desktop.background", {"picture-uri", "picture-uri-dark"}, true};
  return flavour;
}

const GsettingsFlavour& cinnamonFlavour() {
  static const GsettingsFlavour flavour{
      "cinnamon", "CINNAMON", "org.cinnamon.desktop.background", {"picture-uri"}, true};
  return flavour;
}

const GsettingsFlavour& mateFlavour() {
  static const GsettingsFlavour flavour{
      "mate", "MATE", "org.mate.background", {"picture-filename"}, false};
  return flavour;
}

HResult GsettingsDesktop::getMonitorDevicePathCount(std::uint32_t& count) {
  count = 1;
  return kOk;
}

HResult GsettingsDesktop::getMonitorDevicePathAt(std::uint32_t monitorIndex,
                                                 std::string& monitorId) {
  if (monitorIndex != 0) {
    return kInvalidArg;
  }
  return callWithoutExceptions([&] {
    monitorId = flavour_.monitorId;
    return kOk;
  });
}

HResult GsettingsDesktop::setWallpaper(std::string_view monitorId, std::string_view imagePath) {
  if (monitorId != flavour_.monitorId) {
    return kInvalidArg;
  }
  return callWithoutExceptions([&] {
    return setThroughFreshCopy(flavour_.monitorId, imagePath,
                               [&](const std::string& copy) { return writeImageKeys(copy); });
  });
}

HResult GsettingsDesktop::writeImageKeys(const std::string& copy) {
  const std::string value = flavour_.keysHoldUri ? fileUri(copy) : copy;
  std::string literal;
  if (value.empty() || !gvariantStringLiteral(value, literal)) {
    writeDesktopDiagnostic(std::string(flavour_.desktop) +
                           " desktop: the path is not UTF-8 or holds control characters: " + copy);
    return kInvalidArg;
  }
  for (std::size_t i = 0; i < flavour_.imageKeys.size(); ++i) {
    const bool written = runDesktopCommand(
        flavour_.desktop, gsettingsSet(flavour_.schema, flavour_.imageKeys[i], literal));
    if (!written && i == 0) {
      return kFail;
    }
  }
  return kOk;
}

HResult GsettingsDesktop::setPosition(WallpaperPosition position) {
  const std::string_view option = pictureOption(position);
  if (option.empty()) {
    return kInvalidArg;
  }
  return callWithoutExceptions([&] {
    return runDesktopCommand(flavour_.desktop,
                             gsettingsSet(flavour_.schema, "picture-options", option))
               ? kOk
               : kFail;
  });
}

bool GsettingsDesktop::getPrimaryMonitorSize(MonitorSize& size) {
  try {
    size = sessionPrimaryMonitorSize();
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

HResult createGnomeDesktop(std::unique_ptr<DesktopBackend>& backend) {
  backend = std::make_unique<GsettingsDesktop>(gnomeFlavour());
  return kOk;
}

HResult createCinnamonDesktop(std::unique_ptr<DesktopBackend>& backend) {
  backend = std::make_unique<GsettingsDesktop>(cinnamonFlavour());
  return kOk;
}

HResult createMateDesktop(std::unique_ptr<DesktopBackend>& backend) {
  backend = std::make_unique<GsettingsDesktop>(mateFlavour());
  return kOk;
}

}  // namespace pixoria::platform
