#include <new>
#include <string>

#include "pixoria/platform/debug_output.h"
#include "pixoria/platform/shell.h"
#include "tray/desktop_notification.h"

namespace pixoria::platform {

int messageBox(std::string_view text, std::string_view title, unsigned) {
  constexpr int kIdOk = 1;
  // Nobody waits at a box on Linux: the notification goes out and the program carries on, as if
  // the user had pressed OK.
  try {
    const std::string summary(title);
    const std::string body(text);
    posix::sendDesktopNotification(summary, body, summary + ": " + body + "\n");
  } catch (const std::bad_alloc&) {
    writeStandardError("Out of memory for a message box\n");
  }
  return kIdOk;
}

}  // namespace pixoria::platform
