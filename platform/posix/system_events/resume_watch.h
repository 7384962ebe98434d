// logind's PrepareForSleep signal on the system bus, watched by the thread's event loop: when the
// machine has woken (the signal with false), kWmPowerBroadcast with kPbtApmResumeAutomatic is
// posted to a window, as Windows sends it to every top-level window.
#pragma once

#include <systemd/sd-bus.h>

#include <functional>
#include <memory>

#include "pixoria/platform/windows.h"
#include "tray/bus_connection.h"

namespace pixoria::platform::posix {

class ResumeWatch {
 public:
  // Watching; null when there is no system bus or it refuses the match. `onLost` runs when the
  // connection breaks later (the watch is dead then; destroying it there is fine).
  static std::unique_ptr<ResumeWatch> start(WindowHandle window, std::function<void()> onLost);

  ~ResumeWatch();
  ResumeWatch(const ResumeWatch&) = delete;
  ResumeWatch& operator=(const ResumeWatch&) = delete;

 private:
  ResumeWatch(WindowHandle window, std::unique_ptr<BusConnection> connection);

  static int onPrepareForSleep(sd_bus_message* signal, void* userdata, sd_bus_error*);

  WindowHandle window_;
  std::unique_ptr<BusConnection> connection_;
  sd_bus_slot* match_ = nullptr;
};

}  // namespace pixoria::platform::posix
