#include "pixoria/platform/debug_output.h"

#include <unistd.h>

#include <cerrno>

namespace pixoria::platform {
namespace {

// One write() for the whole text, so that lines from several processes sharing a terminal or a
// log do not interleave; the loop only finishes what a signal or a full pipe cut short.
void writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

void outputDebugString(std::string_view text) {
  writeAll(STDERR_FILENO, text);
}

void writeStandardOutput(std::string_view text) {
  writeAll(STDOUT_FILENO, text);
}

void writeStandardError(std::string_view text) {
  writeAll(STDERR_FILENO, text);
}

}  // namespace pixoria::platform
