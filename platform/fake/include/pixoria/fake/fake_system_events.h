// Control of the fake system events: which watches a program asked for. Nothing is ever posted by
// the fake; tests post kWmPowerBroadcast or the network message themselves.
#pragma once

#include <cstdint>

#include "pixoria/platform/windows.h"

namespace pixoria::fake {

struct SystemEventWatches {
  platform::WindowHandle resume = nullptr;   // the window watching for resume, or null
  platform::WindowHandle network = nullptr;  // the window watching the network, or null
  std::uint32_t networkMessage = 0;          // the message it asked for
  int stopCalls = 0;
};

const SystemEventWatches& systemEventWatches();

// Makes both watches fail, as on a machine without a system bus or a routing socket.
void failSystemEventWatches(bool fail);

void systemEventsReset();

}  // namespace pixoria::fake
