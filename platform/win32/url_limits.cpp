#include "url_limits.h"

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <wininet.h>

#include <cstdlib>

#include "pixoria/platform/url.h"

namespace pixoria::platform::win32 {

namespace {

constexpr DWORD kConnectTimeoutMs = 15000;
constexpr DWORD kStallTimeoutMs = 30000;

// A test-only number of seconds from the environment, in milliseconds; 0 when unset or absurd.
DWORD testMs(const char* name) {
  const char* text = std::getenv(name);
  if (text == nullptr) {
    return 0;
  }
  const long seconds = std::strtol(text, nullptr, 10);
  return seconds > 0 && seconds < 3600 ? static_cast<DWORD>(seconds * 1000) : 0;
}

DWORD testStallMs() {
  return testMs("PIXORIA_TEST_STALL_SECONDS");
}

DWORD deadlineMs(std::uint32_t seconds) {
  static const DWORD shortened = testMs("PIXORIA_TEST_DEADLINE_SECONDS");
  const DWORD full = seconds * 1000;
  return shortened != 0 && shortened < full ? shortened : full;
}

void setDefault(DWORD option, DWORD milliseconds) {
  InternetSetOptionW(nullptr, option, &milliseconds, sizeof milliseconds);
}

}  // namespace

DWORD stallTimeoutMs() {
  static const DWORD shortened = testStallMs();
  return shortened != 0 ? shortened : kStallTimeoutMs;
}

DWORD feedDeadlineMs() {
  return deadlineMs(kFeedDeadlineSeconds);
}

DWORD imageDeadlineMs() {
  return deadlineMs(kImageDeadlineSeconds);
}

void applyUrlTimeouts() {
  static const bool applied = [] {
    const DWORD shortened = testStallMs();
    setDefault(INTERNET_OPTION_CONNECT_TIMEOUT, shortened != 0 ? shortened : kConnectTimeoutMs);
    setDefault(INTERNET_OPTION_SEND_TIMEOUT, stallTimeoutMs());
    setDefault(INTERNET_OPTION_RECEIVE_TIMEOUT, stallTimeoutMs());
    return true;
  }();
  (void)applied;
}

}  // namespace pixoria::platform::win32
