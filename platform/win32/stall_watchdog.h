// Ends a transfer whose server stops sending, or that outlives its deadline however steadily the
// server trickles. urlmon's transfer blocks the calling thread without reporting anything while no
// data comes, so a second thread watches the binding's last activity and its age, and aborts it
// once either is too old.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "binding_tracker.h"

namespace pixoria::platform::win32 {

class StallWatchdog {
 public:
  StallWatchdog(BindingTracker& tracker, DWORD stallMs, DWORD deadlineMs);
  ~StallWatchdog();  // stops the watch and waits for the thread
  StallWatchdog(const StallWatchdog&) = delete;
  StallWatchdog& operator=(const StallWatchdog&) = delete;

  bool fired() const { return fired_; }

 private:
  void watch(ULONGLONG startedAt);

  BindingTracker& tracker_;
  const DWORD stallMs_;
  const DWORD deadlineMs_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool fired_ = false;
  std::thread thread_;
};

}  // namespace pixoria::platform::win32
