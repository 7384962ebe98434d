// sway (and its wlroots relatives that speak its IPC): outputs from `swaymsg -t get_outputs -r`,
// the image set with `swaymsg output NAME bg FILE fill`, which restarts swaybg on that output.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "desktop_backend.h"
#include "sway_outputs.h"

namespace pixoria::platform {

// The monitors are the active outputs in sway's order; the id is the output's name.
class SwayDesktop final : public DesktopBackend {
 public:
  HResult getMonitorDevicePathCount(std::uint32_t& count) override;
  HResult getMonitorDevicePathAt(std::uint32_t monitorIndex, std::string& monitorId) override;
  HResult setWallpaper(std::string_view monitorId, std::string_view imagePath) override;
  HResult setPosition(WallpaperPosition position) override;
  bool getPrimaryMonitorSize(MonitorSize& size) override;

 private:
  HResult refresh();
  HResult setOutputBackground(std::string_view output, const std::string& copy);

  bool listed_ = false;
  std::vector<SwayOutput> outputs_;
};

HResult createSwayDesktop(std::unique_ptr<DesktopBackend>& backend);

}  // namespace pixoria::platform
