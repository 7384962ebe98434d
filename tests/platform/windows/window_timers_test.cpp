// Window timers and the loop's order of work, on the real clock. Timers never fire early, so the
// lower bounds are exact; upper bounds are generous for a loaded machine.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "pixoria/platform/messages.h"
#include "pixoria/platform/windows.h"
#include "windows/event_loop.h"
#include "windows/test_world.h"

namespace pixoria::platform {
namespace {

using test::TestWorld;

std::vector<std::string> events;
std::vector<std::uint32_t> fireTicks;
std::uint32_t startTick = 0;

LResult eventProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  if (message == kWmTimer) {
    events.push_back("kWmTimer " + std::to_string(wParam));
    return 0;
  }
  if (message < kWmUser) {
    return defWindowProc(window, message, wParam, lParam);
  }
  events.push_back("message " + std::to_string(message - kWmUser));
  return 0;
}

void recordTimer(WindowHandle, std::uint32_t message, std::uintptr_t id, std::uint32_t tick) {
  EXPECT_EQ(message, kWmTimer);
  events.push_back("timer " + std::to_string(id));
  fireTicks.push_back(tick);
}

void quitTimer(WindowHandle window, std::uint32_t, std::uintptr_t id, std::uint32_t) {
  killTimer(window, id);
  postQuitMessage(0);
}

bool readable(int fd, int timeoutMs) {
  pollfd ready{fd, POLLIN, 0};
  return poll(&ready, 1, timeoutMs) == 1;
}

class WindowTimersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.setVariable("XDG_RUNTIME_DIR", world.root().c_str());
    registerWindowClass("TIMERS", eventProc);
    window = createWindow("TIMERS", "test");
    ASSERT_NE(window, nullptr);
    events.clear();
    fireTicks.clear();
    startTick = getTickCount();
  }
  void TearDown() override { destroyWindow(window); }

  void runFor(std::uint32_t ms) {
    ASSERT_EQ(setTimer(window, 999, ms, quitTimer), 999u);
    EXPECT_EQ(runMessageLoop(), 0);
  }

  TestWorld world;
  WindowHandle window = nullptr;
};

void restartTimer7(WindowHandle window, std::uint32_t, std::uintptr_t id, std::uint32_t) {
  killTimer(window, id);
  setTimer(window, 7, 300, recordTimer);
}

TEST_F(WindowTimersTest, SettingTheSameIdRestartsTheCountdown) {
  ASSERT_EQ(setTimer(window, 7, 300, recordTimer), 7u);
  ASSERT_EQ(setTimer(window, 8, 150, restartTimer7), 8u);
  runFor(600);
  ASSERT_EQ(fireTicks.size(), 1u) << "timer 7 once, at 150 + 300 ms";
  EXPECT_GE(fireTicks[0] - startTick, 450u);
}

TEST_F(WindowTimersTest, KilledAndDestroyedTimersDoNotFire) {
  ASSERT_EQ(setTimer(window, 9, 20, recordTimer), 9u);
  EXPECT_TRUE(killTimer(window, 9));
  EXPECT_FALSE(killTimer(window, 9));
  EXPECT_EQ(setTimer(window, 10, 0, recordTimer), 0u) << "an elapse of 0";

  registerWindowClass("OTHER", eventProc);
  WindowHandle other = createWindow("OTHER", "test");
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(setTimer(other, 11, 20, recordTimer), 11u);
  ASSERT_TRUE(destroyWindow(other));
  EXPECT_EQ(setTimer(other, 11, 20, recordTimer), 0u) << "a destroyed window";

  runFor(200);
  EXPECT_TRUE(events.empty()) << events.front();
}

void busyOnce(WindowHandle, std::uint32_t, std::uintptr_t, std::uint32_t tick) {
  fireTicks.push_back(tick);
  if (fireTicks.size() == 1) {
    usleep(550'000);  // overruns five periods
  }
}

TEST_F(WindowTimersTest, OverrunPeriodsFireOnceAndThePeriodContinues) {
  ASSERT_EQ(setTimer(window, 5, 100, busyOnce), 5u);
  runFor(1200);
  // Fires at 100; once at 650 for all the periods missed while busy; then on its grid at
  // 700 ... 1200 ms: at most 8. Catching up each missed period would add four more.
  EXPECT_LE(fireTicks.size(), 8u);
  EXPECT_GE(fireTicks.size(), 2u) << "the timer runs on after the overrun";
  if (fireTicks.size() >= 2) {
    EXPECT_GE(fireTicks[1] - fireTicks[0], 550u);
  }
}

TEST_F(WindowTimersTest, PostedMessagesGoBeforeDueTimersWhichFireBetweenMessages) {
  ASSERT_EQ(setTimer(window, 1, 10, recordTimer), 1u);
  ASSERT_EQ(setTimer(window, 2, 10, nullptr), 2u) << "no callback: kWmTimer to the window";
  usleep(50'000);  // both timers are due now
  ASSERT_TRUE(postMessage(window, kWmUser + 1, 0, 0));
  ASSERT_TRUE(postMessage(window, kWmUser + 2, 0, 0));
  killTimer(window, 999);
  ASSERT_EQ(setTimer(window, 999, 5, quitTimer), 999u);
  usleep(20'000);
  EXPECT_EQ(runMessageLoop(), 0);
  const std::vector<std::string> expected = {"message 1", "message 2", "timer 1", "kWmTimer 2"};
  ASSERT_GE(events.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 4), expected);
}

TEST_F(WindowTimersTest, QuitEndsTheLoopAfterQueuedMessagesAndBeforeDueTimers) {
  ASSERT_EQ(setTimer(window, 3, 10, recordTimer), 3u);
  usleep(30'000);
  ASSERT_TRUE(postMessage(window, kWmUser + 1, 0, 0));
  postQuitMessage(7);
  ASSERT_TRUE(postMessage(window, kWmUser + 2, 0, 0));
  EXPECT_EQ(runMessageLoop(), 7);
  EXPECT_EQ(events, (std::vector<std::string>{"message 1", "message 2"}));
  killTimer(window, 3);

  // The loop runs again after a quit.
  events.clear();
  ASSERT_TRUE(postMessage(window, kWmUser + 3, 0, 0));
  runFor(20);
  EXPECT_EQ(events, std::vector<std::string>{"message 3"});
}

TEST_F(WindowTimersTest, EmbeddedLoopIsReadableExactlyWhenWorkIsPending) {
  posix::EventLoop& loop = posix::EventLoop::instance();
  const int fd = loop.descriptor();
  loop.dispatchPending();
  EXPECT_FALSE(readable(fd, 0)) << "idle";

  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  std::string fromPipe;
  const auto watch = loop.addWatch(pipeFds[0], EPOLLIN, [&](std::uint32_t) {
    char byte = 0;
    if (read(pipeFds[0], &byte, 1) == 1) {
      fromPipe += byte;
    }
  });
  ASSERT_NE(watch, 0u);
  ASSERT_EQ(write(pipeFds[1], "x", 1), 1);
  ASSERT_TRUE(postMessage(window, kWmUser + 4, 0, 0));
  ASSERT_TRUE(readable(fd, 1000));
  loop.dispatchPending();
  EXPECT_EQ(fromPipe, "x");
  EXPECT_EQ(events, std::vector<std::string>{"message 4"});
  EXPECT_FALSE(readable(fd, 0));

  ASSERT_EQ(setTimer(window, 6, 200, recordTimer), 6u);
  EXPECT_FALSE(readable(fd, 0)) << "not due yet";
  ASSERT_TRUE(readable(fd, 3000)) << "the timer wakes the embedding loop";
  loop.dispatchPending();
  EXPECT_EQ(events.back(), "timer 6");
  EXPECT_FALSE(readable(fd, 0)) << "the next expiry is a period away";
  killTimer(window, 6);

  EXPECT_TRUE(loop.remove(watch));
  EXPECT_FALSE(loop.remove(watch));
  close(pipeFds[0]);
  close(pipeFds[1]);
}

}  // namespace
}  // namespace pixoria::platform
