// The clock window timers and tick counts run on: CLOCK_BOOTTIME, which keeps counting while the
// machine sleeps, so a timer that fell due during sleep fires on wake.
#pragma once

#include <cstdint>

namespace pixoria::platform::posix {

// Nanoseconds since boot.
std::int64_t bootTimeNow();

inline constexpr std::int64_t kNanosecondsPerMillisecond = 1'000'000;

}  // namespace pixoria::platform::posix
