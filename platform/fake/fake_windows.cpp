// Windows, messages and timers on a virtual clock: time moves only when a test moves it, and due
// timers fire through the real callbacks in order of due time.
#include "pixoria/fake/fake_windows.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pixoria/platform/messages.h"

namespace pixoria::platform {

struct Window {
  std::string className;
  std::string title;
  WindowProc procedure = nullptr;
  bool alive = true;
};

}  // namespace pixoria::platform

namespace pixoria::fake {
namespace {

namespace pf = platform;

struct PostedMessage {
  pf::WindowHandle window;
  std::uint32_t message;
  pf::WParam wParam;
  pf::LParam lParam;
};

struct Timer {
  std::uint32_t period = 0;
  std::uint64_t due = 0;
  pf::TimerProc procedure = nullptr;
};

using TimerKey = std::pair<pf::WindowHandle, std::uintptr_t>;

struct FakeWindows {
  std::map<std::string, pf::WindowProc> classes;
  std::vector<std::unique_ptr<pf::Window>> windows;
  std::deque<PostedMessage> queue;
  std::map<TimerKey, Timer> timers;
  std::uint64_t now = 0;
  std::optional<int> quitCode;
  // The two clocks in milliseconds since 1970 at virtual time 0 (both 2026-12-08 12:00).
  std::int64_t localAtZero = 1'796'731'200'000;
  std::int64_t universalAtZero = 1'796'731'200'000;
};

FakeWindows& state() {
  static FakeWindows instance;
  return instance;
}

void deliver(const PostedMessage& posted) {
  if (posted.window != nullptr && posted.window->alive && posted.window->procedure != nullptr) {
    posted.window->procedure(posted.window, posted.message, posted.wParam, posted.lParam);
  }
}

// The running timer that falls due first, at or before `limit`.
std::optional<TimerKey> firstDueTimer(std::uint64_t limit) {
  std::optional<TimerKey> first;
  std::uint64_t firstDue = limit;
  for (const auto& [key, timer] : state().timers) {
    if (timer.due <= firstDue) {
      first = key;
      firstDue = timer.due;
    }
  }
  return first;
}

void fire(const TimerKey& key) {
  Timer& timer = state().timers.at(key);
  state().now = timer.due;
  timer.due = state().now + timer.period;
  timer.procedure(key.first, pf::kWmTimer, key.second, static_cast<std::uint32_t>(state().now));
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar, and back (Howard Hinnant's
// days_from_civil and civil_from_days).
std::int64_t daysSinceUnixEpoch(std::int64_t year, std::int64_t month, std::int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

constexpr std::int64_t kDayMs = 86'400'000;

std::int64_t millisecondsOf(const pf::SystemTime& time) {
  return daysSinceUnixEpoch(time.year, time.month, time.day) * kDayMs +
         ((time.hour * 60 + time.minute) * 60 + time.second) * 1000LL + time.milliseconds;
}

pf::SystemTime systemTimeOf(std::int64_t milliseconds) {
  const std::int64_t days = (milliseconds >= 0 ? milliseconds : milliseconds - kDayMs + 1) / kDayMs;
  const std::int64_t ofDay = milliseconds - days * kDayMs;
  const std::int64_t shifted = days + 719468;
  const std::int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
  const std::int64_t dayOfEra = shifted - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  const auto part = [](std::int64_t value) { return static_cast<std::uint16_t>(value); };
  return {part(year),
          part(month),
          part(((days % 7) + 11) % 7),  // 1970-01-01 was a Thursday
          part(dayOfYear - (153 * monthIndex + 2) / 5 + 1),
          part(ofDay / 3'600'000),
          part(ofDay / 60'000 % 60),
          part(ofDay / 1000 % 60),
          part(ofDay % 1000)};
}

}  // namespace

std::uint64_t universalSeconds() {
  return static_cast<std::uint64_t>(state().universalAtZero / 1000);
}

void windowsReset() {
  state() = FakeWindows{};
}

std::uint64_t now() {
  return state().now;
}

void dispatchPosted() {
  while (!state().queue.empty()) {
    const PostedMessage posted = state().queue.front();
    state().queue.pop_front();
    deliver(posted);
  }
}

void advanceClock(std::uint64_t milliseconds) {
  const std::uint64_t target = state().now + milliseconds;
  dispatchPosted();
  while (const std::optional<TimerKey> due = firstDueTimer(target)) {
    fire(*due);
    dispatchPosted();
  }
  state().now = target;
}

std::optional<std::uint32_t> timerPeriod(pf::WindowHandle window, std::uintptr_t timerId) {
  const auto found = state().timers.find({window, timerId});
  if (found == state().timers.end()) {
    return std::nullopt;
  }
  return found->second.period;
}

std::optional<std::uint64_t> timerDueIn(pf::WindowHandle window, std::uintptr_t timerId) {
  const auto found = state().timers.find({window, timerId});
  if (found == state().timers.end()) {
    return std::nullopt;
  }
  return found->second.due - state().now;
}

std::size_t runningTimerCount() {
  return state().timers.size();
}

void setUniversalTime(const pf::SystemTime& time) {
  state().universalAtZero = millisecondsOf(time) - static_cast<std::int64_t>(state().now);
}

void setLocalTime(const pf::SystemTime& time) {
  state().localAtZero = millisecondsOf(time) - static_cast<std::int64_t>(state().now);
}

}  // namespace pixoria::fake

namespace pixoria::platform {

using fake::state;

bool registerWindowClass(std::string_view className, WindowProc procedure) {
  state().classes[std::string(className)] = procedure;
  return procedure != nullptr;
}

WindowHandle createWindow(std::string_view className, std::string_view title) {
  const auto found = state().classes.find(std::string(className));
  if (found == state().classes.end()) {
    return nullptr;
  }
  state().windows.push_back(std::make_unique<Window>(
      Window{std::string(className), std::string(title), found->second, true}));
  return state().windows.back().get();
}

bool destroyWindow(WindowHandle window) {
  if (window == nullptr || !window->alive) {
    return false;
  }
  window->alive = false;
  std::erase_if(state().timers,
                [window](const auto& entry) { return entry.first.first == window; });
  return true;
}

WindowHandle findWindow(std::string_view className, std::string_view title) {
  for (const auto& window : state().windows) {
    if (window->alive && window->className == className && window->title == title) {
      return window.get();
    }
  }
  return nullptr;
}

bool postMessage(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  if (window == nullptr || !window->alive) {
    return false;
  }
  state().queue.push_back({window, message, wParam, lParam});
  return true;
}

bool restoreWindow(WindowHandle window) {
  return postMessage(window, kWmSysCommand, kScRestore, 0);
}

LResult defWindowProc(WindowHandle, std::uint32_t, WParam, LParam) {
  return 0;
}

std::uintptr_t setTimer(WindowHandle window, std::uintptr_t timerId, std::uint32_t elapseMs,
                        TimerProc procedure) {
  if (window == nullptr || !window->alive || elapseMs == 0 || procedure == nullptr) {
    return 0;
  }
  state().timers[{window, timerId}] = {elapseMs, state().now + elapseMs, procedure};
  return timerId;
}

bool killTimer(WindowHandle window, std::uintptr_t timerId) {
  return state().timers.erase({window, timerId}) == 1;
}

void postQuitMessage(int exitCode) {
  state().quitCode = exitCode;
}

// Runs until the quit message, jumping the clock from one due timer to the next. Returns -1 when
// nothing is left that could ever happen (no messages, no timers, no quit).
int runMessageLoop() {
  for (;;) {
    fake::dispatchPosted();
    if (state().quitCode) {
      const int code = *state().quitCode;
      state().quitCode.reset();
      return code;
    }
    const auto due = fake::firstDueTimer(UINT64_MAX);
    if (!due) {
      return -1;
    }
    fake::fire(*due);
  }
}

std::intptr_t messageQueueWaitHandle() {
  return -1;
}

// Posted messages only: timers wait for the test to move the clock.
void dispatchPendingMessages() {
  fake::dispatchPosted();
}

std::uint32_t getTickCount() {
  return static_cast<std::uint32_t>(state().now);
}

SystemTime getSystemTime() {
  return fake::systemTimeOf(state().universalAtZero + static_cast<std::int64_t>(state().now));
}

SystemTime getLocalTime() {
  return fake::systemTimeOf(state().localAtZero + static_cast<std::int64_t>(state().now));
}

std::uint64_t getSystemTimeAsFileTime() {
  const auto milliseconds =
      static_cast<std::uint64_t>(state().universalAtZero + static_cast<std::int64_t>(state().now));
  return kFileTimeOfUnixEpoch + milliseconds * (kFileTimeTicksPerSecond / 1000);
}

}  // namespace pixoria::platform
