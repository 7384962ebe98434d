// The monitors of an X screen as XRandR lists them, or the whole screen when it lists none.
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace pixoria::platform {

struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct X11Monitor {
  std::string name;  // the RandR monitor's name, used as its id
  PixelRect area;    // in root window coordinates
  bool primary = false;
};

// The default screen's monitors in the server's order. A server without RandR 1.5 monitors, or
// one that lists none, gives the whole screen as one monitor named "SCREEN-<number>".
std::vector<X11Monitor> listX11Monitors(Display* display);

// The part of `area` that lies within the default screen's root window (width 0 when none).
PixelRect clipToRoot(Display* display, const PixelRect& area);

}  // namespace pixoria::platform
