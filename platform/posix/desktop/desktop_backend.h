// What every Linux desktop backend offers beyond the wallpaper calls: the size of the primary
// monitor, which the screen metrics report.
#pragma once

#include <memory>
#include <new>
#include <string_view>

#include "pixoria/platform/desktop_wallpaper.h"
#include "pixoria/platform/results.h"

namespace pixoria::platform {

// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND): what SetWallpaper answers for a missing file.
inline constexpr HResult kFileNotFoundResult = static_cast<HResult>(0x80070002);
// E_OUTOFMEMORY.
inline constexpr HResult kOutOfMemoryResult = static_cast<HResult>(0x8007000E);

struct MonitorSize {
  int width = 0;
  int height = 0;
};

class DesktopBackend : public DesktopWallpaper {
 public:
  // False when the desktop cannot say (no monitor, lost connection).
  virtual bool getPrimaryMonitorSize(MonitorSize& size) = 0;
};

// The backend this session uses (see chooseDesktopName in desktop_session.h). An unknown
// PIXORIA_DESKTOP gives kClassNotRegistered and a line on standard error.
HResult createDesktopBackend(std::unique_ptr<DesktopBackend>& backend);

// The lower-case name of a position ("fill"), or an empty view for a value outside the enum.
std::string_view wallpaperPositionName(WallpaperPosition position);

// True when something exists at the path (the wallpaper calls fail with kFileNotFoundResult
// otherwise, before touching the desktop).
bool wallpaperFileExists(std::string_view path);

// One diagnostic line on standard error, written in one call so lines from several processes
// do not mix.
void writeDesktopDiagnostic(std::string_view line);

// Runs one call of the service, turning an allocation failure into E_OUTOFMEMORY so that no
// exception leaves the platform layer.
template <typename Call>
HResult callWithoutExceptions(Call&& call) {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return kOutOfMemoryResult;
  }
}

}  // namespace pixoria::platform
