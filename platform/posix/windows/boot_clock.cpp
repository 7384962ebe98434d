#include "windows/boot_clock.h"

#include <time.h>

#include "pixoria/platform/windows.h"

namespace pixoria::platform::posix {

std::int64_t bootTimeNow() {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace pixoria::platform::posix

namespace pixoria::platform {

std::uint32_t getTickCount() {
  // Unsigned arithmetic wraps at 2^32 as GetTickCount does.
  return static_cast<std::uint32_t>(posix::bootTimeNow() / posix::kNanosecondsPerMillisecond);
}

}  // namespace pixoria::platform
