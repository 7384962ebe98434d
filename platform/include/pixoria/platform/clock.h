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

}  // namespace pixoria::platform
