#include "kde_desktop.h"

#include <charconv>

#include "desktop_command.h"
#include "session_monitors.h"
#include "text_literals.h"
#include "wallpaper_copies.h"

namespace pixoria::platform {
namespace {

constexpr std::string_view kMonitorPrefix = "KDE-";
// Plasma's FillMode for "scaled and cropped", which is fill.
constexpr int kPlasmaFillMode = 2;
// Below the runner's own limit, so a silent plasmashell ends as a D-Bus error, not a kill.
constexpr std::string_view kReplyTimeout = "--reply-timeout=4000";

// The screen number of "KDE-<n>" (n from 1), or -1.
int screenOfMonitorId(std::string_view monitorId, std::uint32_t count) {
  if (!monitorId.starts_with(kMonitorPrefix)) {
    return -1;
  }
  const std::string_view digits = monitorId.substr(kMonitorPrefix.size());
  std::uint32_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size() || digits.front() == '0' ||
      number == 0 || number > count) {
    return -1;
  }
  return static_cast<int>(number - 1);
}

}  // namespace

bool plasmaWallpaperScript(int screen, std::string_view imageUri, std::string& script) {
  std::string image;
  if (!javascriptStringLiteral(imageUri, image)) {
    return false;
  }
  script = "var image = " + image +
           ";\n"
           "var all = desktops();\n"
           "for (var i = 0; i < all.length; ++i) {\n"
           "  var desktop = all[i];\n"
           "  if (desktop.screen != " +
           std::to_string(screen) +
           ") continue;\n"
           "  desktop.wallpaperPlugin = \"org.kde.image\";\n"
           "  desktop.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
           "  desktop.writeConfig(\"Image\", image);\n"
           "  desktop.writeConfig(\"FillMode\", " +
           std::to_string(kPlasmaFillMode) +
           ");\n"
           "}\n";
  return true;
}

void KdeDesktop::countMonitors() {
  std::vector<X11Monitor> monitors;
  monitorCount_ =
      listSessionX11Monitors(monitors) ? static_cast<std::uint32_t>(monitors.size()) : 1;
}

HResult KdeDesktop::getMonitorDevicePathCount(std::uint32_t& count) {
  return callWithoutExceptions([&] {
    countMonitors();
    count = monitorCount_;
    return kOk;
  });
}

HResult KdeDesktop::getMonitorDevicePathAt(std::uint32_t monitorIndex, std::string& monitorId) {
  return callWithoutExceptions([&] {
    if (monitorCount_ == 0) {
      countMonitors();
    }
    if (monitorIndex >= monitorCount_) {
      return kInvalidArg;
    }
    monitorId = std::string(kMonitorPrefix) + std::to_string(monitorIndex + 1);
    return kOk;
  });
}

HResult KdeDesktop::setWallpaper(std::string_view monitorId, std::string_view imagePath) {
  return callWithoutExceptions([&] {
    if (monitorCount_ == 0) {
      countMonitors();
    }
    const int screen = screenOfMonitorId(monitorId, monitorCount_);
    if (screen < 0) {
      return kInvalidArg;
    }
    return setThroughFreshCopy(monitorId, imagePath,
                               [&](const std::string& copy) { return runScript(screen, copy); });
  });
}

HResult KdeDesktop::runScript(int screen, const std::string& copy) {
  std::string script;
  if (!plasmaWallpaperScript(screen, fileUri(copy), script)) {
    writeDesktopDiagnostic("kde desktop: the path cannot be put in a script: " + copy);
    return kInvalidArg;
  }
  const std::vector<std::string> arguments = {
      "dbus-send",          "--session",
      "--print-reply",      std::string(kReplyTimeout),
      "--type=method_call", "--dest=org.kde.plasmashell",
      "/PlasmaShell",       "org.kde.PlasmaShell.evaluateScript",
      "string:" + script};
  return runDesktopCommand("kde", arguments) ? kOk : kFail;
}

HResult KdeDesktop::setPosition(WallpaperPosition position) {
  if (wallpaperPositionName(position).empty()) {
    return kInvalidArg;
  }
  // Every image is set with fill; the other modes are not offered here yet.
  return position == WallpaperPosition::fill ? kOk : kNotImplemented;
}

bool KdeDesktop::getPrimaryMonitorSize(MonitorSize& size) {
  try {
    size = sessionPrimaryMonitorSize();
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

HResult createKdeDesktop(std::unique_ptr<DesktopBackend>& backend) {
  backend = std::make_unique<KdeDesktop>();
  return kOk;
}

}  // namespace pixoria::platform
