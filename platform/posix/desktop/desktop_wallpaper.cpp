// The desktop-wallpaper service's entry points. Linux has no COM: initialising it always
// succeeds and creating the object picks the session's desktop backend.
#include "pixoria/platform/desktop_wallpaper.h"

#include "desktop_backend.h"

namespace pixoria::platform {

HResult coInitialize() {
  return kOk;
}

void coUninitialize() {}

HResult createDesktopWallpaper(std::unique_ptr<DesktopWallpaper>& wallpaper) {
  std::unique_ptr<DesktopBackend> backend;
  const HResult result = createDesktopBackend(backend);
  if (succeeded(result)) {
    wallpaper = std::move(backend);
  }
  return result;
}

// Every Linux backend is reached through createDesktopWallpaper; there is nothing older to try.
bool setWallpaperFallback(std::string_view) {
  return false;
}

}  // namespace pixoria::platform
