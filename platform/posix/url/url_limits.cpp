#include "url/url_limits.h"

#include <cerrno>
#include <cstdlib>

namespace pixoria::platform::posix {
namespace {

UrlLimits limitsFromEnvironment() {
  UrlLimits limits;
  const char* text = std::getenv("PIXORIA_TEST_STALL_SECONDS");
  if (text == nullptr || *text == '\0') {
    return limits;
  }
  char* end = nullptr;
  errno = 0;
  const long seconds = std::strtol(text, &end, 10);
  if (errno == 0 && *end == '\0' && seconds > 0 && seconds < limits.stallSeconds) {
    limits.stallSeconds = seconds;
    limits.connectTimeoutSeconds =
        seconds < limits.connectTimeoutSeconds ? seconds : limits.connectTimeoutSeconds;
  }
  return limits;
}

UrlLimits& limitsInForce() {
  static UrlLimits limits = limitsFromEnvironment();
  return limits;
}

}  // namespace

const UrlLimits& urlLimits() {
  return limitsInForce();
}

void setUrlLimitsForTesting(const UrlLimits& limits) {
  limitsInForce() = limits;
}

void resetUrlLimitsForTesting() {
  limitsInForce() = limitsFromEnvironment();
}

}  // namespace pixoria::platform::posix
