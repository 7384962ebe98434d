// pixoria-post CLASS TITLE MESSAGE [WPARAM [LPARAM]]: posts a window message to a program's window,
// found by class and title, the way any program or a hotkey reaches the agent. For example
//   pixoria-post PIXORIA "Corvane Pixoria Helper" 273 307     (WM_COMMAND "Next Image")
// Exit status: 0 posted, 1 no such window (or the post failed), 2 bad arguments.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "pixoria/platform/windows.h"

namespace {

bool parseNumber(const char* text, long long minimum, unsigned long long maximum,
                 long long& value) {
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(text, &end, 0);
  return errno == 0 && end != text && *end == '\0' && value >= minimum &&
         (value < 0 || static_cast<unsigned long long>(value) <= maximum);
}

}  // namespace

int main(int argc, char** argv) {
  long long message = 0;
  long long wParam = 0;
  long long lParam = 0;
  if (argc < 4 || argc > 6 || !parseNumber(argv[3], 0, UINT32_MAX, message) ||
      (argc > 4 && !parseNumber(argv[4], 0, INT64_MAX, wParam)) ||
      (argc > 5 && !parseNumber(argv[5], INT64_MIN, INT64_MAX, lParam))) {
    std::fprintf(stderr, "usage: pixoria-post CLASS TITLE MESSAGE [WPARAM [LPARAM]]\n");
    return 2;
  }
  namespace pf = pixoria::platform;
  const pf::WindowHandle window = pf::findWindow(argv[1], argv[2]);
  if (window == nullptr) {
    std::fprintf(stderr, "pixoria-post: no window of class \"%s\" titled \"%s\"\n", argv[1],
                 argv[2]);
    return 1;
  }
  if (!pf::postMessage(window, static_cast<std::uint32_t>(message), static_cast<pf::WParam>(wParam),
                       static_cast<pf::LParam>(lParam))) {
    std::fprintf(stderr, "pixoria-post: the message could not be posted\n");
    return 1;
  }
  return 0;
}
