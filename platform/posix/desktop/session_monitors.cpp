#include "session_monitors.h"

#include <cstdlib>

#include "x11_connection.h"
#include "x11_error_trap.h"

namespace pixoria::platform {

bool listSessionX11Monitors(std::vector<X11Monitor>& monitors) {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || display[0] == '\0') {
    return false;
  }
  const std::unique_ptr<X11Connection> connection = X11Connection::open();
  if (connection == nullptr) {
    return false;
  }
  X11ErrorTrap trap(connection->display());
  if (!connection->alive()) {
    return false;
  }
  monitors = listX11Monitors(connection->display());
  return trap.sync() && connection->alive() && !monitors.empty();
}

const X11Monitor& primaryX11Monitor(const std::vector<X11Monitor>& monitors) {
  for (const X11Monitor& monitor : monitors) {
    if (monitor.primary) {
      return monitor;
    }
  }
  return monitors.front();
}

MonitorSize sessionPrimaryMonitorSize() {
  std::vector<X11Monitor> monitors;
  if (!listSessionX11Monitors(monitors)) {
    return kAssumedMonitorSize;
  }
  const X11Monitor& primary = primaryX11Monitor(monitors);
  return {primary.area.width, primary.area.height};
}

}  // namespace pixoria::platform
