#include "url_limits.h"

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <wininet.h>

#include <cstdlib>

namespace pixoria::platform::win32 {

namespace {

constexpr DWORD kConnectTimeoutMs = 15000;
constexpr DWORD kStallTimeoutMs = 30000;

DWORD testStallMs() {
  const char* text = std::getenv("PIXORIA_TEST_STALL_SECONDS");
  if (text == nullptr) {
    return 0;
  }
  const long seconds = std::strtol(text, nullptr, 10);
  return seconds > 0 && seconds < 3600 ? static_cast<DWORD>(seconds * 1000) : 0;
}

void setDefault(DWORD option, DWORD milliseconds) {
  InternetSetOptionW(nullptr, option, &milliseconds, sizeof milliseconds);
}

}  // namespace

DWORD stallTimeoutMs() {
  static const DWORD shortened = testStallMs();
  return shortened != 0 ? shortened : kStallTimeoutMs;
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
