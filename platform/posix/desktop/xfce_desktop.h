// XFCE: xfdesktop keeps one backdrop per monitor and workspace in the xfce4-desktop channel of
// xfconf, under /backdrop/screen0/monitor<NAME>/workspace<N>/; xfconf-query reads and writes it.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "desktop_backend.h"

namespace pixoria::platform {

struct XfceBackdrops {
  std::vector<std::string> monitors;              // distinct names, in the listing's order
  std::vector<std::set<unsigned>> workspaces;     // the workspaces listed for each monitor
  std::set<std::string, std::less<>> properties;  // every property listed
};

// Reads `xfconf-query -c xfce4-desktop -l` output. Lines that are not backdrop properties of a
// monitor's workspace are ignored; at most 64 monitors and workspaces 0..999 are taken.
XfceBackdrops parseXfceBackdrops(std::string_view listing);

// Monitors are the monitor names of the listing, or the XRandR monitor names when xfdesktop has
// not written any yet. Setting one writes last-image and image-style 5 (zoom, which is fill) of
// each of its listed workspaces and always of workspace 0, creating properties not yet there.
class XfceDesktop final : public DesktopBackend {
 public:
  HResult getMonitorDevicePathCount(std::uint32_t& count) override;
  HResult getMonitorDevicePathAt(std::uint32_t monitorIndex, std::string& monitorId) override;
  HResult setWallpaper(std::string_view monitorId, std::string_view imagePath) override;
  HResult setPosition(WallpaperPosition position) override;
  bool getPrimaryMonitorSize(MonitorSize& size) override;

 private:
  HResult refresh();
  HResult writeBackdrop(std::size_t monitor, const std::string& copy);
  bool writeProperty(const std::string& property, const char* type, const std::string& value);

  bool listed_ = false;
  XfceBackdrops backdrops_;
};

HResult createXfceDesktop(std::unique_ptr<DesktopBackend>& backend);

}  // namespace pixoria::platform
