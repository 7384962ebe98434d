// The /proc readings the end-to-end tests prove idleness with, on this process's own timers and
// children.
#include "e2e/process_view.h"

#include <gtest/gtest.h>
#include <sys/timerfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

namespace pixoria::test {
namespace {

using namespace std::chrono_literals;

class OwnTimer {
 public:
  OwnTimer() : fd_(timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC)) {}
  ~OwnTimer() { close(fd_); }
  OwnTimer(const OwnTimer&) = delete;
  OwnTimer& operator=(const OwnTimer&) = delete;

  bool arm(std::chrono::nanoseconds in) {
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(in.count() / 1'000'000'000);
    when.it_value.tv_nsec = static_cast<long>(in.count() % 1'000'000'000);
    return timerfd_settime(fd_, 0, &when, nullptr) == 0;
  }

 private:
  int fd_;
};

TEST(ProcessView, TimersShowWhatIsArmedAndWhatExpiredUnhandled) {
  const TimerView none = timersOf(getpid());
  ASSERT_TRUE(none.readable);
  EXPECT_FALSE(nothingDueWithin(getpid(), 1s)) << "no timer descriptor proves nothing";

  OwnTimer later;
  OwnTimer sooner;
  ASSERT_TRUE(later.arm(3600s));
  TimerView view = timersOf(getpid());
  EXPECT_EQ(view.descriptors, none.descriptors + 2);
  ASSERT_TRUE(view.nextExpiry);
  EXPECT_GT(*view.nextExpiry, 3500s);
  EXPECT_TRUE(nothingDueWithin(getpid(), 1s));

  // The earliest of several counts, with seconds and nanoseconds both read.
  ASSERT_TRUE(sooner.arm(2500ms));
  view = timersOf(getpid());
  ASSERT_TRUE(view.nextExpiry);
  EXPECT_GT(*view.nextExpiry, 2s);
  EXPECT_LE(*view.nextExpiry, 2500ms);
  EXPECT_FALSE(nothingDueWithin(getpid(), 3s));

  // Expired but not read: due now, although the kernel no longer counts down.
  ASSERT_TRUE(sooner.arm(1ns));
  ASSERT_TRUE(later.arm(0ns));  // disarmed
  view = timersOf(getpid());
  while (view.nextExpiry && *view.nextExpiry > 0ns) {
    view = timersOf(getpid());
  }
  ASSERT_TRUE(view.nextExpiry);
  EXPECT_EQ(*view.nextExpiry, 0ns);
  EXPECT_FALSE(nothingDueWithin(getpid(), 1ms));
}

TEST(ProcessView, AGoneProcessIsNotIdle) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_FALSE(timersOf(child).readable);
  EXPECT_FALSE(nothingDueWithin(child, 1s));
}

TEST(ProcessView, ChildrenCountUntilReaped) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    _exit(0);
  }
  siginfo_t info{};
  ASSERT_EQ(waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT), 0);
  std::vector<pid_t> children = childrenOf(getpid());
  EXPECT_NE(std::find(children.begin(), children.end(), child), children.end()) << "a zombie";
  EXPECT_EQ(childRunning("/proc/self/exe"), -1) << "a zombie runs no program";

  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  children = childrenOf(getpid());
  EXPECT_EQ(std::find(children.begin(), children.end(), child), children.end());
}

TEST(ProcessView, TheChildRunningAProgramIsFoundByItsPath) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
    _exit(127);
  }
  pid_t found = -1;
  for (int tries = 0; tries < 1000 && found == -1; ++tries) {
    found = childRunning("/bin/sleep");  // once the exec has happened
    usleep(1000);
  }
  EXPECT_EQ(found, child);
  EXPECT_EQ(childRunning("/bin/true"), -1);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
}

}  // namespace
}  // namespace pixoria::test
