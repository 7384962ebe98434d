// Small helpers the desktop backends share.
#include "desktop_backend.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace pixoria::platform {

std::string_view wallpaperPositionName(WallpaperPosition position) {
  switch (position) {
    case WallpaperPosition::center:
      return "center";
    case WallpaperPosition::tile:
      return "tile";
    case WallpaperPosition::stretch:
      return "stretch";
    case WallpaperPosition::fit:
      return "fit";
    case WallpaperPosition::fill:
      return "fill";
    case WallpaperPosition::span:
      return "span";
  }
  return {};
}

bool wallpaperFileExists(std::string_view path) {
  // A NUL would make the system look at a shorter path than the one named.
  if (path.empty() || path.find('\0') != std::string_view::npos) {
    return false;
  }
  const std::string terminated(path);
  struct stat status {};
  return ::stat(terminated.c_str(), &status) == 0;
}

void writeDesktopDiagnostic(std::string_view line) {
  std::string text(line);
  text += '\n';
  // A diagnostic that cannot be written has nowhere else to go.
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text.data(), text.size());
}

}  // namespace pixoria::platform
