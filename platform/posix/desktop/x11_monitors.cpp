#include "x11_monitors.h"

#include <X11/extensions/Xrandr.h>

#include <algorithm>

namespace pixoria::platform {
namespace {

bool serverListsMonitors(Display* display) {
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  return XRRQueryExtension(display, &eventBase, &errorBase) &&
         XRRQueryVersion(display, &major, &minor) && (major > 1 || (major == 1 && minor >= 5));
}

std::string atomName(Display* display, Atom atom) {
  char* name = atom == None ? nullptr : XGetAtomName(display, atom);
  if (name == nullptr) {
    return {};
  }
  std::string copy(name);
  XFree(name);
  return copy;
}

std::vector<X11Monitor> randrMonitors(Display* display) {
  std::vector<X11Monitor> monitors;
  int count = 0;
  XRRMonitorInfo* infos = XRRGetMonitors(display, DefaultRootWindow(display), True, &count);
  if (infos == nullptr) {
    return monitors;
  }
  for (int i = 0; i < count; ++i) {
    const XRRMonitorInfo& info = infos[i];
    std::string name = atomName(display, info.name);
    if (!name.empty() && info.width > 0 && info.height > 0) {
      monitors.push_back(
          {std::move(name), {info.x, info.y, info.width, info.height}, info.primary != 0});
    }
  }
  XRRFreeMonitors(infos);
  return monitors;
}

}  // namespace

std::vector<X11Monitor> listX11Monitors(Display* display) {
  std::vector<X11Monitor> monitors;
  if (serverListsMonitors(display)) {
    monitors = randrMonitors(display);
  }
  if (monitors.empty()) {
    const int screen = DefaultScreen(display);
    monitors.push_back({"SCREEN-" + std::to_string(screen),
                        {0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)},
                        true});
  }
  return monitors;
}

PixelRect clipToRoot(Display* display, const PixelRect& area) {
  const int screen = DefaultScreen(display);
  const int left = std::max(area.x, 0);
  const int top = std::max(area.y, 0);
  const int right = std::min(area.x + area.width, DisplayWidth(display, screen));
  const int bottom = std::min(area.y + area.height, DisplayHeight(display, screen));
  if (right <= left || bottom <= top) {
    return {};
  }
  return {left, top, right - left, bottom - top};
}

}  // namespace pixoria::platform
