// Control of the fake system events: which watches a program asked for. Nothing is ever posted by
// the fake; tests post kWmPowerBroadcast or the network message themselves.
#pragma once

#include <cstdint>

#include "pixoria/platform/windows.h"

namespace pixoria::fake {

// What was asked last; ending the watches does not erase it.
struct SystemEventWatches {
  platform::WindowHandle resume = nullptr;   // the window that watched for resume, or null
  platform::WindowHandle network = nullptr;  // the window that watched the network, or null
  std::uint32_t networkMessage = 0;          // the message it asked for
  platform::WindowHandle stopped = nullptr;  // the window whose watches were ended, or null
};

const SystemEventWatches& systemEventWatches();

// Makes both watches fail, as on a machine without a system bus or a routing socket.
void failSystemEventWatches(bool fail);

void systemEventsReset();

}  // namespace pixoria::fake
