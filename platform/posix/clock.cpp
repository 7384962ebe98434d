#include "pixoria/platform/clock.h"

#include <time.h>

namespace pixoria::platform {

namespace {

SystemTime currentTime(bool inLocalZone) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm broken{};
  if (inLocalZone) {
    localtime_r(&now.tv_sec, &broken);
  } else {
    gmtime_r(&now.tv_sec, &broken);
  }
  const tm& local = broken;
  SystemTime time;
  time.year = static_cast<std::uint16_t>(local.tm_year + 1900);
  time.month = static_cast<std::uint16_t>(local.tm_mon + 1);
  time.dayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
  time.day = static_cast<std::uint16_t>(local.tm_mday);
  time.hour = static_cast<std::uint16_t>(local.tm_hour);
  time.minute = static_cast<std::uint16_t>(local.tm_min);
  // tm_sec can be 60 in a leap second; SYSTEMTIME cannot.
  time.second = static_cast<std::uint16_t>(local.tm_sec > 59 ? 59 : local.tm_sec);
  time.milliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1'000'000);
  return time;
}

}  // namespace

SystemTime getLocalTime() {
  return currentTime(true);
}

SystemTime getSystemTime() {
  return currentTime(false);
}

std::uint64_t getSystemTimeAsFileTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  // A clock set before 1970 would make the seconds negative; FILETIME still counts from 1601.
  const std::int64_t ticksSinceUnixEpoch =
      static_cast<std::int64_t>(now.tv_sec) * static_cast<std::int64_t>(kFileTimeTicksPerSecond) +
      now.tv_nsec / 100;
  return kFileTimeOfUnixEpoch + static_cast<std::uint64_t>(ticksSinceUnixEpoch);
}

}  // namespace pixoria::platform
