// The configuration application's window as the agent finds it, held by the test: the agent
// answers its "Configuration" command by asking this window to restore itself. Since the agent
// handles posted messages in order of arrival, that answer proves every message posted to it
// before the command has been handled: a round trip through its queue.
#pragma once

#include <functional>

#include "pixoria/platform/windows.h"

namespace pixoria::test {

class AppWindowStandIn {
 public:
  AppWindowStandIn();
  ~AppWindowStandIn();
  AppWindowStandIn(const AppWindowStandIn&) = delete;
  AppWindowStandIn& operator=(const AppWindowStandIn&) = delete;

  bool created() const { return window_ != nullptr; }

  // The restore requests this window has received.
  int restores() const;

  // Posts "Configuration" to `agent` and handles this thread's messages (through `pump`, which
  // runs until its condition holds or gives up) until the restore request answers it.
  bool roundTrip(platform::WindowHandle agent,
                 const std::function<bool(const std::function<bool()>&)>& pump);

 private:
  platform::WindowHandle window_ = nullptr;
};

}  // namespace pixoria::test
