// Notifications of the machine's state for a window: waking from sleep, after WM_POWERBROADCAST,
// and the network coming back, after NotifyIpInterfaceChange.
//
// Both arrive as posted messages on the window's thread, in order with its other messages, so a
// program handles them in its window procedure like any other.
#pragma once

#include <cstdint>

#include "pixoria/platform/windows.h"

namespace pixoria::platform {

// Posts kWmPowerBroadcast with kPbtApmResumeAutomatic to `window` each time the machine has woken
// from sleep. Windows sends it to every top-level window by itself; on Linux logind's
// PrepareForSleep(false) on the system bus is watched by the thread's event loop. False when it
// cannot be watched (no system bus): the program runs on without it.
bool watchResume(WindowHandle window);

// Posts `message` (both parameters 0) to `window` whenever the network may have come back: an
// address added, a link coming up, a default route appearing. Windows: NotifyIpInterfaceChange,
// whose callback runs on a system thread and only posts. Linux: a routing netlink socket watched
// by the thread's event loop, without NetworkManager. Changes in quick succession may post once
// or several times; the receiver decides what they mean. False when it cannot be watched.
bool watchNetworkChanges(WindowHandle window, std::uint32_t message);

// Ends both watches for `window` (before it is destroyed).
void stopWatchingSystemEvents(WindowHandle window);

}  // namespace pixoria::platform
