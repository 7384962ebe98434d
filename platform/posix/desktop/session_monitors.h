// Monitors as the X server of the session reports them, for the desktops whose own tools do not
// list monitors (or not in a form we can read): GNOME, Cinnamon, MATE, Plasma, and XFCE before it
// has written its per-monitor settings.
#pragma once

#include <vector>

#include "desktop_backend.h"
#include "x11_monitors.h"

namespace pixoria::platform {

// What a desktop reports when nothing tells it the primary monitor's size (a Wayland session
// without X): the most common size, so images are still fitted to something sensible.
inline constexpr MonitorSize kAssumedMonitorSize{1920, 1080};

// The XRandR monitors of $DISPLAY in the server's order. False when DISPLAY is unset or the
// server cannot be reached.
bool listSessionX11Monitors(std::vector<X11Monitor>& monitors);

// The one marked primary, else the first. `monitors` must not be empty.
const X11Monitor& primaryX11Monitor(const std::vector<X11Monitor>& monitors);

// The primary X11 monitor's size when there is a display, else kAssumedMonitorSize.
MonitorSize sessionPrimaryMonitorSize();

}  // namespace pixoria::platform
