// Wall-clock time on kernel32.
#include "pixoria/platform/clock.h"

#include <windows.h>

namespace pixoria::platform {

namespace {

SystemTime fromSystemTime(const SYSTEMTIME& time) {
  SystemTime result;
  result.year = time.wYear;
  result.month = time.wMonth;
  result.dayOfWeek = time.wDayOfWeek;
  result.day = time.wDay;
  result.hour = time.wHour;
  result.minute = time.wMinute;
  result.second = time.wSecond;
  result.milliseconds = time.wMilliseconds;
  return result;
}

}  // namespace

SystemTime getLocalTime() {
  SYSTEMTIME time{};
  GetLocalTime(&time);
  return fromSystemTime(time);
}

SystemTime getSystemTime() {
  SYSTEMTIME time{};
  GetSystemTime(&time);
  return fromSystemTime(time);
}

std::uint64_t getSystemTimeAsFileTime() {
  FILETIME time{};
  GetSystemTimeAsFileTime(&time);
  return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

}  // namespace pixoria::platform
