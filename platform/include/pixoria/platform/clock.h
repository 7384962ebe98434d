// Wall-clock time, after kernel32's GetLocalTime and GetSystemTime.
#pragma once

#include <cstdint>

namespace pixoria::platform {

// SYSTEMTIME.
struct SystemTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;      // 1 to 12
  std::uint16_t dayOfWeek = 0;  // 0 = Sunday
  std::uint16_t day = 0;        // 1 to 31
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t milliseconds = 0;
};

// GetLocalTime: the date and time in the user's time zone.
SystemTime getLocalTime();

// GetSystemTime: the date and time in coordinated universal time.
SystemTime getSystemTime();

// GetSystemTimeAsFileTime: the current time in 100-nanosecond intervals since 1601-01-01 UTC.
std::uint64_t getSystemTimeAsFileTime();

// The FILETIME of 1970-01-01 UTC, for converting to and from seconds since then.
inline constexpr std::uint64_t kFileTimeOfUnixEpoch = 116'444'736'000'000'000ULL;
inline constexpr std::uint64_t kFileTimeTicksPerSecond = 10'000'000ULL;

}  // namespace pixoria::platform
