// The bounds every network call runs within: timeouts, redirects and body size caps.
#pragma once

#include <cstdint>

#include "pixoria/platform/url.h"

namespace pixoria::platform::posix {

struct UrlLimits {
  long connectTimeoutSeconds = 15;
  // A transfer slower than stallBytesPerSecond for stallSeconds is abandoned.
  long stallSeconds = 30;
  long stallBytesPerSecond = 1024;
  // However fast it goes, a stream ends after streamDeadlineSeconds and a download after
  // downloadDeadlineSeconds, connecting included.
  long streamDeadlineSeconds = kFeedDeadlineSeconds;
  long downloadDeadlineSeconds = kImageDeadlineSeconds;
  long maxRedirects = 5;
  std::uint64_t streamBodyCap = 16u << 20;
  std::uint64_t downloadBodyCap = 256u << 20;
};

// The limits in force. On first use, the test-only environment variable
// PIXORIA_TEST_STALL_SECONDS (a positive number of seconds) shortens the stall timeout and the
// connect timeout, and PIXORIA_TEST_DEADLINE_SECONDS shortens both deadlines, so end-to-end tests
// of the real programs need not wait minutes for a server that hangs or trickles. Nothing outside
// tests should set them.
const UrlLimits& urlLimits();

// Test only: replaces the limits in force, and restores the defaults (environment included).
void setUrlLimitsForTesting(const UrlLimits& limits);
void resetUrlLimitsForTesting();

}  // namespace pixoria::platform::posix
