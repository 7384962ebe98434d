// The org.kde.StatusNotifierItem object through which a tray host shows the icon.
//
// A primary click (Activate) is posted to the icon's window as the callback message with
// kWmLButtonDblClk, the double-click that opens things on Windows; a request for the context menu
// (ContextMenu, from hosts that do not show the exported menu themselves) as kWmRButtonDown.
#pragma once

#include <systemd/sd-bus.h>

#include "pixoria/platform/tray.h"

namespace pixoria::platform::posix {

inline constexpr const char* kItemPath = "/StatusNotifierItem";
inline constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";

// Exports the item at kItemPath; `icon` must outlive `slot`. Negative errno on failure.
int exportStatusNotifierItem(sd_bus* bus, sd_bus_slot** slot, const NotifyIconData* icon);

}  // namespace pixoria::platform::posix
