// A second process for the window tests: it opens a window of its own, finds the test's window by
// class and title, posts it a message carrying its process id, and runs until WM_CLOSE.
// Usage: window_peer CLASS TITLE; exits 3 after WM_CLOSE, 1 when the test's window is not found.
#include <windows.h>

#include <string>

#include "pixoria/platform/windows.h"

namespace pf = pixoria::platform;

namespace {

constexpr std::uint32_t kHelloMessage = 0x0400 + 77;  // WM_USER + 77, as the test expects

pf::LResult peerProc(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam,
                     pf::LParam lParam) {
  if (message == 0x0010) {  // WM_CLOSE
    pf::postQuitMessage(3);
    return 0;
  }
  return pf::defWindowProc(window, message, wParam, lParam);
}

std::string narrow(const wchar_t* text) {
  std::string result;
  for (; *text != L'\0'; ++text) {
    result += static_cast<char>(*text);
  }
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    return 2;
  }
  const std::string title = "peer " + std::to_string(GetCurrentProcessId());
  pf::registerWindowClass("PixoriaPeer", peerProc);
  if (pf::createWindow("PixoriaPeer", title) == nullptr) {
    return 2;
  }
  const pf::WindowHandle test = pf::findWindow(narrow(argv[1]), narrow(argv[2]));
  if (test == nullptr || !pf::postMessage(test, kHelloMessage, GetCurrentProcessId(), 0)) {
    return 1;
  }
  return pf::runMessageLoop();
}
