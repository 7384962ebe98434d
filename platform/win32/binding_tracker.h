// What a binding-status callback keeps of its binding: the IBinding itself (to read the HTTP
// status and to abort) and the time of the latest sign of life, which the stall watchdog reads
// from its own thread.
#pragma once

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <urlmon.h>

#include <atomic>

namespace pixoria::platform::win32 {

class BindingTracker {
 public:
  BindingTracker() = default;
  ~BindingTracker();
  BindingTracker(const BindingTracker&) = delete;
  BindingTracker& operator=(const BindingTracker&) = delete;

  // The first binding reported (OnStartBinding); holds a reference until destruction.
  void start(IBinding* binding);
  void noteActivity() { lastActivity_ = GetTickCount64(); }

  IBinding* binding() const { return binding_.load(); }
  // GetTickCount64 at the start or the latest activity; 0 before the start.
  ULONGLONG lastActivity() const { return lastActivity_.load(); }

  // IBinding::Abort: the transfer's call returns E_ABORT. Safe from the watchdog's thread, which
  // ends before the tracker does.
  void abort();

 private:
  std::atomic<IBinding*> binding_{nullptr};
  std::atomic<ULONGLONG> lastActivity_{0};
};

}  // namespace pixoria::platform::win32
