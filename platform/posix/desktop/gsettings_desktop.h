// GNOME, Cinnamon and MATE: one background for all monitors, kept in GSettings and written with
// `gsettings set`. They differ only in the schema and in whether the key holds a URI or a path.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "desktop_backend.h"

namespace pixoria::platform {

struct GsettingsFlavour {
  std::string_view desktop;    // for diagnostics: "gnome"
  std::string_view monitorId;  // the one monitor's id: "GNOME"
  std::string_view schema;
  // The first key must take the image; the others are written when the desktop has them
  // (GNOME before 42 has no picture-uri-dark).
  std::vector<std::string_view> imageKeys;
  bool keysHoldUri = true;  // false: a plain path
};

const GsettingsFlavour& gnomeFlavour();
const GsettingsFlavour& cinnamonFlavour();
const GsettingsFlavour& mateFlavour();

class GsettingsDesktop final : public DesktopBackend {
 public:
  explicit GsettingsDesktop(const GsettingsFlavour& flavour) : flavour_(flavour) {}

  HResult getMonitorDevicePathCount(std::uint32_t& count) override;
  HResult getMonitorDevicePathAt(std::uint32_t monitorIndex, std::string& monitorId) override;
  HResult setWallpaper(std::string_view monitorId, std::string_view imagePath) override;
  HResult setPosition(WallpaperPosition position) override;
  bool getPrimaryMonitorSize(MonitorSize& size) override;

 private:
  HResult writeImageKeys(const std::string& copy);

  const GsettingsFlavour& flavour_;
};

HResult createGnomeDesktop(std::unique_ptr<DesktopBackend>& backend);
HResult createCinnamonDesktop(std::unique_ptr<DesktopBackend>& backend);
HResult createMateDesktop(std::unique_ptr<DesktopBackend>& backend);

}  // namespace pixoria::platform
