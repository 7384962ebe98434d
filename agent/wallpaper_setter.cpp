#include "agent/wallpaper_setter.h"

#include <cstdio>
#include <memory>

#include "agent/agent_settings.h"
#include "agent/agent_window.h"
#include "agent/wallpaper_paths.h"
#include "pixoria/platform/debug_output.h"
#include "pixoria/platform/desktop_wallpaper.h"

namespace pixoria {

namespace pf = platform;

namespace {

// A result code as the diagnostics print it: lower-case hexadecimal without padding.
std::string hex(pf::HResult result) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(result));
  return text;
}

void setOnMonitor(pf::DesktopWallpaper& wallpaper, std::uint32_t monitor,
                  const std::string& firstPath, const std::string& secondPath) {
  std::string monitorId;
  const pf::HResult found = wallpaper.getMonitorDevicePathAt(monitor, monitorId);
  if (pf::failed(found) || monitorId.empty()) {
    pf::writeStandardError("Failed to retrieve the device path for monitor " +
                           std::to_string(monitor) + ". Error: 0x" + hex(found) + "\n");
    return;
  }
  const bool second = imageForMonitor(monitor, agentSettings.multiMonitor) == PairImage::second;
  const pf::HResult set = wallpaper.setWallpaper(monitorId, second ? secondPath : firstPath);
  pf::outputDebugString(pf::succeeded(set) ? "Wallpaper set successfully!\n"
                                           : "Failed to set wallpaper\n");
  pf::writeStandardOutput("Monitor " + std::to_string(monitor) + ": " + monitorId + "\n");
}

void setOnEveryMonitor(pf::DesktopWallpaper& wallpaper, const std::string& firstPath,
                       const std::string& secondPath) {
  std::uint32_t count = 0;
  const pf::HResult counted = wallpaper.getMonitorDevicePathCount(count);
  if (pf::failed(counted)) {
    pf::writeStandardError("Failed to get monitor count. Error: 0x" + hex(counted) + "\n");
    return;
  }
  for (std::uint32_t monitor = 0; monitor < count; ++monitor) {
    setOnMonitor(wallpaper, monitor, firstPath, secondPath);
  }
  // The position is set even when every monitor failed; nothing already set is undone.
  const pf::HResult positioned = wallpaper.setPosition(pf::WallpaperPosition::fill);
  if (pf::failed(positioned)) {
    pf::writeStandardError("Failed to set wallpaper position. HRESULT = 0x" + hex(positioned) +
                           "\n");
  } else {
    pf::writeStandardOutput("Wallpaper position set successfully!\n");
  }
}

}  // namespace

PairImage imageForMonitor(std::uint32_t monitorIndex, bool multiMonitor) {
  return multiMonitor && monitorIndex % 2 == 0 ? PairImage::second : PairImage::first;
}

void setWallpaperPair(std::string firstPath, std::string secondPath) {
  const pf::HResult initialized = pf::coInitialize();
  if (pf::failed(initialized)) {
    pf::writeStandardError("COM initialization failed. Error: 0x" + hex(initialized) + "\n");
    return;
  }
  std::unique_ptr<pf::DesktopWallpaper> wallpaper;
  const pf::HResult created = pf::createDesktopWallpaper(wallpaper);
  if (pf::failed(created) || !wallpaper) {
    pf::writeStandardError("Failed to create IDesktopWallpaper instance. Error: 0x" + hex(created) +
                           "\n");
    // Without the desktop-wallpaper class (Windows 7, Wine) the older call still sets an image.
    if (created == pf::kClassNotRegistered) {
      pf::setWallpaperFallback(firstPath);
    }
    pf::coUninitialize();
    return;
  }
  setOnEveryMonitor(*wallpaper, firstPath, secondPath);
  wallpaper.reset();
  pf::coUninitialize();
}

void onApplyTimer(pf::WindowHandle window, std::uint32_t, std::uintptr_t, std::uint32_t) {
  setWallpaperPair(firstImagePath, secondImagePath);
  pf::killTimer(window, TIMER_APPLY);
}

void armApplyTimer() {
  pf::setTimer(agentWindow, TIMER_APPLY, kApplyDelayMs, onApplyTimer);
}

}  // namespace pixoria
