// A failed change is tried again at the same picture: the pending retry, its growing delay, and
// the timer that runs it. A fresh change (a scheduled step, a tray command, a load) replaces it.
#pragma once

#include <cstdint>
#include <optional>

#include "pixoria/platform/windows.h"

namespace pixoria {

// The retry's one-shot timer on the agent window.
inline constexpr std::uintptr_t TIMER_RETRY = 301;

// How soon a pending retry runs once the network may be back: long enough for a burst of network
// events to end in one attempt.
inline constexpr std::uint32_t kNetworkRetryDelayMs = 1000;

// The change a retry repeats.
struct RetriedChange {
  std::uint32_t source = 0;  // its Source number
  std::int32_t index = 0;    // the position it failed at
  bool scheduled = false;    // a scheduled step, whose success counts as the last change
};

// The delay before retry number `attempt` (0 for the first): the first delay, doubled for each
// attempt, at most 30 first delays. The first delay is PIXORIA_TEST_RETRY_SECONDS seconds (for
// tests), else one minute.
std::uint64_t retryDelayMs(std::uint32_t attempt);

// After `change` failed: arms TIMER_RETRY with `procedure` for the next delay of its backoff,
// unless the scheduled change, due in `changeDueInMs` when one is armed, comes first and replaces
// the retry. Gives the milliseconds until the next attempt, retry or scheduled change.
std::uint64_t planRetry(const RetriedChange& change, std::optional<std::uint64_t> changeDueInMs,
                        platform::TimerProc procedure);

// Whether a retry waits for its timer.
bool retryPending();

// The pending retry, taken for running now: its timer stops and its backoff goes on.
std::optional<RetriedChange> takePendingRetry();

// Forgets the pending retry and its backoff.
void cancelRetry();

// Has a pending retry run with `procedure` kNetworkRetryDelayMs from now, or leaves it when it is
// already that close. Nothing when no retry is pending.
void hurryRetry(platform::TimerProc procedure);

}  // namespace pixoria
