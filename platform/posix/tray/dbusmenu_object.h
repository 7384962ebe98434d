// The com.canonical.dbusmenu object that tray hosts read the icon's context menu from.
//
// The layout is built from the live menu on every request, so a menu destroyed while the icon is
// still shown reads as empty rather than being followed. Choosing an item ("clicked") posts
// kWmCommand with its command number to the icon's window, as choosing it in a tracked popup
// does on Windows.
#pragma once

#include <systemd/sd-bus.h>

#include "pixoria/platform/tray.h"

namespace pixoria::platform::posix {

inline constexpr const char* kMenuPath = "/MenuBar";
inline constexpr const char* kMenuInterface = "com.canonical.dbusmenu";

// Exports `icon->contextMenu` at kMenuPath; `icon` must outlive `slot`. Negative errno on failure.
int exportDbusMenu(sd_bus* bus, sd_bus_slot** slot, const NotifyIconData* icon);

}  // namespace pixoria::platform::posix
