// A window that records the messages it is sent, and a pump for the thread's message loop, for
// tests of what the platform posts by itself.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "pixoria/platform/windows.h"
#include "windows/test_world.h"

namespace pixoria::test {

struct PostedMessage {
  std::uint32_t message;
  platform::WParam wParam;
  platform::LParam lParam;
};

class RecordingWindow {
 public:
  // `interesting` is the first message number recorded; those below it go to defWindowProc.
  explicit RecordingWindow(std::uint32_t interesting) {
    firstRecorded() = interesting;
    received().clear();
    platform::registerWindowClass(kClass, &procedure);
    handle_ = platform::createWindow(kClass, "system events");
  }
  ~RecordingWindow() { platform::destroyWindow(handle_); }
  RecordingWindow(const RecordingWindow&) = delete;
  RecordingWindow& operator=(const RecordingWindow&) = delete;

  platform::WindowHandle handle() const { return handle_; }
  std::vector<PostedMessage>& messages() { return received(); }

  // Runs the loop until a message is recorded or `timeoutMs` pass; true when one was.
  bool waitForMessage(int timeoutMs) {
    pump(timeoutMs, true);
    return !received().empty();
  }

  // Runs the loop for `ms`, recording what comes.
  void pumpFor(int ms) { pump(ms, false); }

 private:
  static constexpr const char* kClass = "PIXORIA_SYSTEM_EVENTS_TEST";

  static std::uint32_t& firstRecorded() {
    static std::uint32_t first = 0;
    return first;
  }
  static std::vector<PostedMessage>& received() {
    static std::vector<PostedMessage> messages;
    return messages;
  }
  static platform::LResult procedure(platform::WindowHandle window, std::uint32_t message,
                                     platform::WParam wParam, platform::LParam lParam) {
    if (message >= firstRecorded()) {
      received().push_back({message, wParam, lParam});
      return 0;
    }
    return platform::defWindowProc(window, message, wParam, lParam);
  }

  void pump(int ms, bool untilMessage) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!(untilMessage && !received().empty())) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) {
        return;
      }
      pollfd ready{static_cast<int>(platform::messageQueueWaitHandle()), POLLIN, 0};
      if (poll(&ready, 1, static_cast<int>(left.count())) > 0) {
        platform::dispatchPendingMessages();
      }
    }
  }

  platform::WindowHandle handle_ = nullptr;
};

}  // namespace pixoria::test
