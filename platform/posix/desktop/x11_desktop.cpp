#include "x11_desktop.h"

#include <cstdlib>
#include <string>

#include "fill_canvas.h"
#include "pixoria/platform/imaging.h"
#include "session_monitors.h"
#include "x11_error_trap.h"
#include "x11_root_background.h"

namespace pixoria::platform {

X11Desktop::X11Desktop(std::unique_ptr<X11Connection> connection, std::uintptr_t imagingToken)
    : connection_(std::move(connection)), imagingToken_(imagingToken) {}

X11Desktop::~X11Desktop() {
  gdiplusShutdown(imagingToken_);
}

bool X11Desktop::refreshMonitors() {
  if (!connection_->alive()) {
    return false;
  }
  X11ErrorTrap trap(connection_->display());
  // The trap's first round trip is where a server that went away shows. Asking a broken display
  // for extensions afterwards made libXext free its records twice on close (seen under ASan).
  if (!connection_->alive()) {
    return false;
  }
  monitors_ = listX11Monitors(connection_->display());
  return trap.sync() && connection_->alive();
}

HResult X11Desktop::getMonitorDevicePathCount(std::uint32_t& count) {
  return callWithoutExceptions([&] {
    if (!refreshMonitors()) {
      return kFail;
    }
    count = static_cast<std::uint32_t>(monitors_.size());
    return kOk;
  });
}

HResult X11Desktop::getMonitorDevicePathAt(std::uint32_t monitorIndex, std::string& monitorId) {
  return callWithoutExceptions([&] {
    if (monitors_.empty() && !refreshMonitors()) {
      return kFail;
    }
    if (monitorIndex >= monitors_.size()) {
      return kInvalidArg;
    }
    monitorId = monitors_[monitorIndex].name;
    return kOk;
  });
}

HResult X11Desktop::setWallpaper(std::string_view monitorId, std::string_view imagePath) {
  return callWithoutExceptions([&] {
    if (!refreshMonitors()) {
      return kFail;
    }
    const X11Monitor* monitor = nullptr;
    for (const X11Monitor& candidate : monitors_) {
      if (candidate.name == monitorId) {
        monitor = &candidate;
      }
    }
    if (monitor == nullptr) {
      return kInvalidArg;
    }
    if (!wallpaperFileExists(imagePath)) {
      return kFileNotFoundResult;
    }
    const PixelRect visible = clipToRoot(connection_->display(), monitor->area);
    if (visible.width == 0) {
      return kOk;  // a monitor entirely off the screen has nothing to show
    }
    ImagePtr canvas;
    const HResult result = drawFillCanvas(imagePath, monitor->area, visible, canvas);
    if (failed(result)) {
      return result;
    }
    BitmapPixels pixels{};
    if (!getBitmapPixels(canvas.get(), pixels)) {
      return kFail;
    }
    return paintRootBackground(DisplayString(connection_->display()), pixels, visible.x, visible.y);
  });
}

HResult X11Desktop::setPosition(WallpaperPosition position) {
  if (wallpaperPositionName(position).empty()) {
    return kInvalidArg;
  }
  // Fill is how every wallpaper is drawn; the others are not drawn yet.
  return position == WallpaperPosition::fill ? kOk : kNotImplemented;
}

bool X11Desktop::getPrimaryMonitorSize(MonitorSize& size) {
  try {
    if (!refreshMonitors() || monitors_.empty()) {
      return false;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  const X11Monitor& primary = primaryX11Monitor(monitors_);
  size = {primary.area.width, primary.area.height};
  return true;
}

HResult createX11Desktop(std::unique_ptr<DesktopBackend>& backend) {
  std::unique_ptr<X11Connection> connection = X11Connection::open();
  if (connection == nullptr) {
    const char* display = std::getenv("DISPLAY");
    writeDesktopDiagnostic(std::string("X11 desktop: cannot connect to display \"") +
                           (display != nullptr ? display : "") + "\"");
    return kFail;
  }
  std::uintptr_t imagingToken = 0;
  if (gdiplusStartup(imagingToken) != GpStatus::ok) {
    return kFail;
  }
  backend = std::make_unique<X11Desktop>(std::move(connection), imagingToken);
  return kOk;
}

}  // namespace pixoria::platform
