#include "pixoria/platform/debug_output.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <string>

#include "files/unique_fd.h"

namespace pixoria::platform {
namespace {

// One write() for the whole text, so that lines from several processes sharing a terminal or a
// log do not interleave; the loop only finishes what a signal or a full pipe cut short.
void writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

// Diagnostics on standard error, which must never block: it may be a pipe that a launcher keeps
// and nobody reads, and the agent's one thread would stop for good once 64 KiB filled it. What
// does not fit is dropped and counted, and the next text that gets through says how much first.
// O_NONBLOCK is not set on standard error itself, whose open file is shared with other
// processes; a pipe or a terminal is opened a second time (through /proc) with that flag, and a
// socket is written with MSG_DONTWAIT. Files and disks are written as they are.
class StandardError {
 public:
  void write(std::string_view text) {
    const std::lock_guard<std::mutex> lock(mutex_);
    struct stat status {};
    if (::fstat(STDERR_FILENO, &status) != 0) {
      return;
    }
    if (S_ISREG(status.st_mode) || S_ISBLK(status.st_mode)) {
      writeAll(STDERR_FILENO, text);
      return;
    }
    route_ = S_ISSOCK(status.st_mode) ? Route::kSocket : twinOf(status);
    if (dropped_ != 0 && !offer(droppedNote())) {
      dropped_ += text.size();
      return;
    }
    dropped_ = 0;
    if (!offer(text)) {
      dropped_ += text.size() - lastWritten_;
    }
  }

 private:
  enum class Route {
    kSocket,   // send() with MSG_DONTWAIT
    kTwin,     // twin_, a second open file of the same pipe or terminal, with O_NONBLOCK
    kPolled,   // no /proc: as much as poll() says fits, at most PIPE_BUF at a time
    kNowhere,  // a pipe whose reader has gone
  };

  // Opens the twin again when standard error names another file than before.
  Route twinOf(const struct stat& status) {
    if (!twin_.valid() || status.st_dev != twinDevice_ || status.st_ino != twinInode_) {
      twin_.close();
      twin_.reset(::open("/proc/self/fd/2", O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
      twinError_ = twin_.valid() ? 0 : errno;
      twinDevice_ = status.st_dev;
      twinInode_ = status.st_ino;
    }
    if (twin_.valid()) {
      return Route::kTwin;
    }
    // A pipe opened for writing with no reader fails with ENXIO; try again next time.
    twinDevice_ = 0;
    twinInode_ = 0;
    return twinError_ == ENXIO ? Route::kNowhere : Route::kPolled;
  }

  std::string droppedNote() const {
    return std::string(midLine_ ? "\n" : "") + "pixoria: " + std::to_string(dropped_) +
           " bytes of diagnostics were dropped while standard error was full\n";
  }

  // Writes as much of `text` as goes without waiting; true when all of it went.
  bool offer(std::string_view text) {
    lastWritten_ = 0;
    while (lastWritten_ < text.size()) {
      const ssize_t written = writeSome(text.substr(lastWritten_));
      if (written < 0 && errno == EINTR) {
        continue;
      }
      if (written <= 0) {
        return false;
      }
      lastWritten_ += static_cast<std::size_t>(written);
      midLine_ = text[lastWritten_ - 1] != '\n';
    }
    return true;
  }

  ssize_t writeSome(std::string_view text) const {
    switch (route_) {
      case Route::kSocket:
        return ::send(STDERR_FILENO, text.data(), text.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
      case Route::kTwin:
        return ::write(twin_.get(), text.data(), text.size());
      case Route::kPolled: {
        pollfd room{STDERR_FILENO, POLLOUT, 0};
        if (::poll(&room, 1, 0) == 1 && (room.revents & POLLOUT) != 0) {
          return ::write(STDERR_FILENO, text.data(), std::min<std::size_t>(text.size(), PIPE_BUF));
        }
        return 0;
      }
      case Route::kNowhere:
        break;
    }
    return 0;
  }

  std::mutex mutex_;
  Route route_ = Route::kNowhere;
  std::uint64_t dropped_ = 0;
  std::size_t lastWritten_ = 0;
  bool midLine_ = false;
  posix::UniqueFd twin_;
  int twinError_ = 0;
  dev_t twinDevice_ = 0;
  ino_t twinInode_ = 0;
};

StandardError& standardError() {
  static StandardError* const instance = new StandardError;  // never destroyed: used at exit
  return *instance;
}

}  // namespace

void outputDebugString(std::string_view text) {
  standardError().write(text);
}

void writeStandardOutput(std::string_view text) {
  writeAll(STDOUT_FILENO, text);
}

void writeStandardError(std::string_view text) {
  standardError().write(text);
}

}  // namespace pixoria::platform
