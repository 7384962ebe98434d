// A second program for the window tests: `window_peer <class> <title>` creates that window, posts
// itself kWmUser+1, says "ready", waits for a line on standard input, posts itself kWmUser+3 and
// runs the message loop. It prints every kWmUser-range message as "<message> <wParam> <lParam>"
// and quits on kWmClose. Exits 3 when the window cannot be created.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "pixoria/platform/messages.h"
#include "pixoria/platform/windows.h"

namespace {

using namespace pixoria::platform;

void say(const std::string& line) {
  const std::string text = line + "\n";
  if (write(STDOUT_FILENO, text.data(), text.size()) < 0) {
    _exit(4);
  }
}

LResult peerProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  if (message >= kWmUser) {
    say(std::to_string(message) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
    return 0;
  }
  if (message == kWmClose) {
    say("close");
    postQuitMessage(0);
    return 0;
  }
  return defWindowProc(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    return 2;
  }
  alarm(30);  // never outlive a test that lost track of us
  registerWindowClass(argv[1], peerProc);
  WindowHandle window = createWindow(argv[1], argv[2]);
  if (window == nullptr) {
    say("taken");
    return 3;
  }
  postMessage(window, kWmUser + 1, 1, 0);
  say("ready");
  char line[64];
  if (read(STDIN_FILENO, line, sizeof(line)) <= 0) {
    return 5;
  }
  postMessage(window, kWmUser + 3, 3, 0);
  const int code = runMessageLoop();
  destroyWindow(window);
  return code;
}
