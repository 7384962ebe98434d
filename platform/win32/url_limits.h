// The bounds every network call runs within on Windows: wininet's timeouts (set once per process,
// before the first request, as defaults for every session urlmon opens) and the body caps.
#pragma once

#include <windows.h>

#include <cstdint>

namespace pixoria::platform::win32 {

inline constexpr std::uint64_t kStreamBodyCap = std::uint64_t{16} << 20;
inline constexpr std::uint64_t kDownloadBodyCap = std::uint64_t{256} << 20;

// Sets the connect timeout (15 s) and the send and receive timeouts (30 s without a byte). The
// test-only environment variable PIXORIA_TEST_STALL_SECONDS (a positive number of seconds)
// shortens all three, so tests of a hanging server need not wait half a minute.
void applyUrlTimeouts();

// How long a download may go without progress before it is given up (the stall timeout above).
DWORD stallTimeoutMs();

// How long a whole stream (a feed) or download (an image) may take, however steadily the server
// sends: kFeedDeadlineSeconds and kImageDeadlineSeconds of url.h. The test-only environment
// variable PIXORIA_TEST_DEADLINE_SECONDS shortens both.
DWORD feedDeadlineMs();
DWORD imageDeadlineMs();

}  // namespace pixoria::platform::win32
