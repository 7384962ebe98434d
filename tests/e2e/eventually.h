// Waiting for another process to do something: polls a condition until it holds or a bounded
// time has passed, so a test never waits longer than it must nor forever.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace pixoria::test {

inline bool eventually(const std::function<bool()>& condition, int timeoutMs = 8000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace pixoria::test
