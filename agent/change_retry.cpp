#include "agent/change_retry.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "agent/agent_window.h"

namespace pixoria {

namespace pf = platform;

namespace {

constexpr std::uint64_t kDefaultFirstDelaySeconds = 60;
// A test may shorten the first delay to a second; a day is more than any use of it.
constexpr std::uint64_t kMaxFirstDelaySeconds = 86'400;
constexpr std::uint64_t kMaxDelayInFirstDelays = 30;

struct RetryState {
  std::optional<RetriedChange> pending;
  std::uint32_t failures = 0;  // of the change being retried, so far
  bool hurried = false;        // the timer runs the retry within kNetworkRetryDelayMs
};

RetryState retry;

// PIXORIA_TEST_RETRY_SECONDS when it is a whole number from 1 to a day, else the default.
std::uint64_t firstDelaySeconds() {
  const char* value = std::getenv("PIXORIA_TEST_RETRY_SECONDS");
  if (value == nullptr) {
    return kDefaultFirstDelaySeconds;
  }
  const std::string_view text(value);
  std::uint64_t seconds = 0;
  for (const char digit : text) {
    if (digit < '0' || digit > '9' || seconds > kMaxFirstDelaySeconds) {
      return kDefaultFirstDelaySeconds;
    }
    seconds = seconds * 10 + static_cast<std::uint64_t>(digit - '0');
  }
  return seconds == 0 || seconds > kMaxFirstDelaySeconds ? kDefaultFirstDelaySeconds : seconds;
}

void armRetryTimer(std::uint64_t delayMs, pf::TimerProc procedure) {
  pf::setTimer(agentWindow, TIMER_RETRY, static_cast<std::uint32_t>(delayMs), procedure);
}

}  // namespace

std::uint64_t retryDelayMs(std::uint32_t attempt) {
  const std::uint64_t first = firstDelaySeconds() * 1000;
  // 2^5 first delays is already past the cap: no shift can overflow.
  const std::uint64_t doubled = first << std::min<std::uint32_t>(attempt, 5);
  return std::min(doubled, first * kMaxDelayInFirstDelays);
}

std::uint64_t planRetry(const RetriedChange& change, std::optional<std::uint64_t> changeDueInMs,
                        pf::TimerProc procedure) {
  const std::uint64_t delay = retryDelayMs(retry.failures);
  if (changeDueInMs && *changeDueInMs <= delay) {
    cancelRetry();
    return *changeDueInMs;
  }
  retry.pending = change;
  ++retry.failures;
  retry.hurried = false;
  armRetryTimer(delay, procedure);
  return delay;
}

bool retryPending() {
  return retry.pending.has_value();
}

std::optional<RetriedChange> takePendingRetry() {
  pf::killTimer(agentWindow, TIMER_RETRY);
  const std::optional<RetriedChange> change = retry.pending;
  retry.pending.reset();
  retry.hurried = false;
  return change;
}

void cancelRetry() {
  takePendingRetry();
  retry.failures = 0;
}

void hurryRetry(pf::TimerProc procedure) {
  if (!retry.pending || retry.hurried) {
    return;
  }
  retry.hurried = true;
  armRetryTimer(kNetworkRetryDelayMs, procedure);
}

}  // namespace pixoria
