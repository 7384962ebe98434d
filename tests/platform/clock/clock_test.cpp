// The wall clock's FILETIME against the C library's idea of now.
#include "pixoria/platform/clock.h"

#include <gtest/gtest.h>

#include <ctime>

namespace pixoria::platform {
namespace {

TEST(ClockTest, FileTimeCountsTenthsOfMicrosecondsSince1601) {
  const std::time_t before = std::time(nullptr);
  const std::uint64_t fileTime = getSystemTimeAsFileTime();
  const std::time_t after = std::time(nullptr);
  ASSERT_GT(fileTime, kFileTimeOfUnixEpoch);
  const std::uint64_t seconds = (fileTime - kFileTimeOfUnixEpoch) / kFileTimeTicksPerSecond;
  EXPECT_GE(seconds, static_cast<std::uint64_t>(before));
  EXPECT_LE(seconds, static_cast<std::uint64_t>(after));
  // Below the second it moves too: the ticks are not whole seconds scaled up.
  std::uint64_t later = fileTime;
  for (int i = 0; i < 1000 && later == fileTime; ++i) {
    later = getSystemTimeAsFileTime();
  }
  EXPECT_GT(later, fileTime);
  EXPECT_LT(later - fileTime, kFileTimeTicksPerSecond);
}

}  // namespace
}  // namespace pixoria::platform
