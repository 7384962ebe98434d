// A file descriptor with one owner, closed when the owner goes.
#pragma once

#include <unistd.h>

#include <utility>

namespace pixoria::platform::posix {

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { close(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes the descriptor held and holds `fd` instead.
  void reset(int fd = -1) {
    close();
    fd_ = fd;
  }
  // Hands the descriptor over; nothing is closed.
  int release() { return std::exchange(fd_, -1); }
  // close() reports late write errors (NFS, a full disk), so a writer checks it; the descriptor
  // is gone either way. True when nothing was held.
  bool close() {
    const int fd = release();
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace pixoria::platform::posix
