// The desktop-wallpaper service, after COM's IDesktopWallpaper: monitors by number, a wallpaper
// file per monitor, one picture position for the desktop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pixoria/platform/results.h"

namespace pixoria::platform {

// DESKTOP_WALLPAPER_POSITION.
enum class WallpaperPosition : std::uint32_t {
  center = 0,
  tile = 1,
  stretch = 2,
  fit = 3,
  fill = 4,
  span = 5,
};

// IDesktopWallpaper, reduced to the four operations the programs use.
class DesktopWallpaper {
 public:
  virtual ~DesktopWallpaper() = default;

  // GetMonitorDevicePathCount.
  virtual HResult getMonitorDevicePathCount(std::uint32_t& count) = 0;

  // GetMonitorDevicePathAt: the monitor's id (device path on Windows, output name on Linux).
  virtual HResult getMonitorDevicePathAt(std::uint32_t monitorIndex, std::string& monitorId) = 0;

  // SetWallpaper: the image file at `imagePath` on the monitor with that id.
  virtual HResult setWallpaper(std::string_view monitorId, std::string_view imagePath) = 0;

  // SetPosition, for the whole desktop.
  virtual HResult setPosition(WallpaperPosition position) = 0;
};

// CoInitializeEx(COINIT_APARTMENTTHREADED) and CoUninitialize, around each use of the service.
HResult coInitialize();
void coUninitialize();

// CoCreateInstance(CLSID_DesktopWallpaper, ..., IID_IDesktopWallpaper). On Linux this picks the
// desktop's backend (PIXORIA_DESKTOP, then what the session says it runs).
HResult createDesktopWallpaper(std::unique_ptr<DesktopWallpaper>& wallpaper);

// For when createDesktopWallpaper fails with kClassNotRegistered (Windows 7, Wine): sets the image
// on the whole desktop, filled, through SystemParametersInfoW(SPI_SETDESKWALLPAPER). False where
// the platform has no such path (Linux) or the call fails.
bool setWallpaperFallback(std::string_view imagePath);

}  // namespace pixoria::platform
