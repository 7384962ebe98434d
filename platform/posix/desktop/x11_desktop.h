// The X11 desktop: XRandR monitors, each wallpaper drawn with fill into its monitor's part of the
// shared root background pixmap.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "desktop_backend.h"
#include "x11_connection.h"
#include "x11_monitors.h"

namespace pixoria::platform {

class X11Desktop final : public DesktopBackend {
 public:
  X11Desktop(std::unique_ptr<X11Connection> connection, std::uintptr_t imagingToken);
  ~X11Desktop() override;

  HResult getMonitorDevicePathCount(std::uint32_t& count) override;
  HResult getMonitorDevicePathAt(std::uint32_t monitorIndex, std::string& monitorId) override;
  HResult setWallpaper(std::string_view monitorId, std::string_view imagePath) override;
  HResult setPosition(WallpaperPosition position) override;
  bool getPrimaryMonitorSize(MonitorSize& size) override;

 private:
  // Reads the server's monitor list again; false when the server did not answer.
  bool refreshMonitors();

  std::unique_ptr<X11Connection> connection_;
  std::uintptr_t imagingToken_;
  std::vector<X11Monitor> monitors_;
};

// Connects to $DISPLAY; kFail with a line on standard error when that is not possible.
HResult createX11Desktop(std::unique_ptr<DesktopBackend>& backend);

}  // namespace pixoria::platform
