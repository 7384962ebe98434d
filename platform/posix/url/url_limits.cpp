#include "url/url_limits.h"

#include <cerrno>
#include <cstdlib>

namespace pixoria::platform::posix {
namespace {

// A positive number of seconds below `ceiling` from the environment, or 0.
long secondsFromEnvironment(const char* name, long ceiling) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') {
    return 0;
  }
  char* end = nullptr;
  errno = 0;
  const long seconds = std::strtol(text, &end, 10);
  return errno == 0 && *end == '\0' && seconds > 0 && seconds < ceiling ? seconds : 0;
}

UrlLimits limitsFromEnvironment() {
  UrlLimits limits;
  if (const long stall = secondsFromEnvironment("PIXORIA_TEST_STALL_SECONDS", limits.stallSeconds);
      stall != 0) {
    limits.stallSeconds = stall;
    limits.connectTimeoutSeconds =
        stall < limits.connectTimeoutSeconds ? stall : limits.connectTimeoutSeconds;
  }
  if (const long deadline =
          secondsFromEnvironment("PIXORIA_TEST_DEADLINE_SECONDS", limits.downloadDeadlineSeconds);
      deadline != 0) {
    limits.downloadDeadlineSeconds = deadline;
    limits.streamDeadlineSeconds =
        deadline < limits.streamDeadlineSeconds ? deadline : limits.streamDeadlineSeconds;
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
