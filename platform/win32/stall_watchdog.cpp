#include "stall_watchdog.h"

#include <chrono>

namespace pixoria::platform::win32 {

namespace {

constexpr auto kCheckInterval = std::chrono::milliseconds(250);

}  // namespace

StallWatchdog::StallWatchdog(BindingTracker& tracker, DWORD stallMs, DWORD deadlineMs)
    : tracker_(tracker), stallMs_(stallMs), deadlineMs_(deadlineMs) {
  thread_ = std::thread([this, startedAt = GetTickCount64()] { watch(startedAt); });
}

StallWatchdog::~StallWatchdog() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

// Before the binding starts (name lookup, connecting) the watch counts from its own start.
void StallWatchdog::watch(ULONGLONG startedAt) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!wake_.wait_for(lock, kCheckInterval, [this] { return stopping_; })) {
    const ULONGLONG activity = tracker_.lastActivity();
    const ULONGLONG since = activity != 0 ? activity : startedAt;
    const ULONGLONG now = GetTickCount64();
    if (now - since > stallMs_ || now - startedAt > deadlineMs_) {
      fired_ = true;
      tracker_.abort();
      return;
    }
  }
}

}  // namespace pixoria::platform::win32
