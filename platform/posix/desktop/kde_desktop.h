// KDE Plasma: each screen's desktop containment gets the image through Plasma's scripting
// interface, evaluated by plasmashell over the session bus (dbus-send; qdbus is not always there).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "desktop_backend.h"

namespace pixoria::platform {

// The script that gives the desktops on Plasma screen `screen` the image at `imageUri` with fill.
// False when the URI cannot be carried in a script string.
bool plasmaWallpaperScript(int screen, std::string_view imageUri, std::string& script);

// Monitors are "KDE-1", "KDE-2", ... for Plasma screens 0, 1, ...; how many comes from XRandR
// when there is a display (Plasma numbers its screens in the same order), else one.
class KdeDesktop final : public DesktopBackend {
 public:
  HResult getMonitorDevicePathCount(std::uint32_t& count) override;
  HResult getMonitorDevicePathAt(std::uint32_t monitorIndex, std::string& monitorId) override;
  HResult setWallpaper(std::string_view monitorId, std::string_view imagePath) override;
  HResult setPosition(WallpaperPosition position) override;
  bool getPrimaryMonitorSize(MonitorSize& size) override;

 private:
  void countMonitors();
  HResult runScript(int screen, const std::string& copy);

  std::uint32_t monitorCount_ = 0;  // 0: not counted yet
};

HResult createKdeDesktop(std::unique_ptr<DesktopBackend>& backend);

}  // namespace pixoria::platform
