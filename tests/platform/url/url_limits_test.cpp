#include "platform/posix/url/url_limits.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace pixoria::platform::posix {
namespace {

// End-to-end tests shorten the timeouts of the real programs through the environment; anything
// but a positive number shorter than the default leaves them alone.
TEST(UrlLimitsTest, StallVariableShortensTheStallAndConnectTimeouts) {
  const struct {
    const char* value;
    long stall;
    long connect;
  } cases[] = {{"3", 3, 3},    {"20", 20, 15}, {"0", 30, 15},
               {"-2", 30, 15}, {"2x", 30, 15}, {"", 30, 15}};
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.value);
    ::setenv("PIXORIA_TEST_STALL_SECONDS", entry.value, 1);
    resetUrlLimitsForTesting();
    EXPECT_EQ(urlLimits().stallSeconds, entry.stall);
    EXPECT_EQ(urlLimits().connectTimeoutSeconds, entry.connect);
  }
  ::unsetenv("PIXORIA_TEST_STALL_SECONDS");
  resetUrlLimitsForTesting();
  EXPECT_EQ(urlLimits().streamBodyCap, 16u << 20);
  EXPECT_EQ(urlLimits().downloadBodyCap, 256u << 20);
}

TEST(UrlLimitsTest, DeadlineVariableShortensBothDeadlines) {
  const struct {
    const char* value;
    long stream;
    long download;
  } cases[] = {{"5", 5, 5}, {"90", 60, 90}, {"0", 60, 600}, {"600", 60, 600}, {"x", 60, 600}};
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.value);
    ::setenv("PIXORIA_TEST_DEADLINE_SECONDS", entry.value, 1);
    resetUrlLimitsForTesting();
    EXPECT_EQ(urlLimits().streamDeadlineSeconds, entry.stream);
    EXPECT_EQ(urlLimits().downloadDeadlineSeconds, entry.download);
  }
  ::unsetenv("PIXORIA_TEST_DEADLINE_SECONDS");
  resetUrlLimitsForTesting();
}

}  // namespace
}  // namespace pixoria::platform::posix
