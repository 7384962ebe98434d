// The headless desktop: monitors from PIXORIA_SCREENS, and every call it receives appended as one
// line to $XDG_STATE_HOME/pixoria/desktop.log, so tests and operators can see what was set.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "desktop_backend.h"

namespace pixoria::platform {

class HeadlessDesktop final : public DesktopBackend {
 public:
  HeadlessDesktop(std::vector<MonitorSize> screens, std::string logPath);

  HResult getMonitorDevicePathCount(std::uint32_t& count) override;
  HResult getMonitorDevicePathAt(std::uint32_t monitorIndex, std::string& monitorId) override;
  HResult setWallpaper(std::string_view monitorId, std::string_view imagePath) override;
  HResult setPosition(WallpaperPosition position) override;
  bool getPrimaryMonitorSize(MonitorSize& size) override;

 private:
  HResult appendLogLine(const std::string& line);

  std::vector<MonitorSize> screens_;
  std::string logPath_;
};

// $XDG_STATE_HOME/pixoria/desktop.log, $XDG_STATE_HOME defaulting to $HOME/.local/state.
// False when neither variable gives an absolute folder.
bool headlessDesktopLogPath(std::string& path);

HResult createHeadlessDesktop(std::unique_ptr<DesktopBackend>& backend);

}  // namespace pixoria::platform
