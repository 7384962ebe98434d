// Which desktop a session runs, from the variables a session sets.
#pragma once

#include <string_view>

namespace pixoria::platform {

struct SessionVariables {
  std::string_view forced;          // PIXORIA_DESKTOP
  std::string_view currentDesktop;  // XDG_CURRENT_DESKTOP: "ubuntu:GNOME", "KDE", ...
  std::string_view swaySocket;      // SWAYSOCK
  std::string_view display;         // DISPLAY
  std::string_view waylandDisplay;  // WAYLAND_DISPLAY
};

// The backend name: PIXORIA_DESKTOP as given when set; else the first entry of
// XDG_CURRENT_DESKTOP we drive (compared without regard to case); else "sway" when SWAYSOCK is
// set; else "x11" for an X session that is not Wayland; else "headless".
std::string_view chooseDesktopName(const SessionVariables& session);

// The same for this process's environment.
std::string_view chooseDesktopNameFromEnvironment();

}  // namespace pixoria::platform
