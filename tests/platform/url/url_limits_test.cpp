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

}  // namespace
}  // namespace pixoria::platform::posix
