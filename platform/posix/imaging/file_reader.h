// Reads an open image file by position, so several decodes can share one descriptor.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pixoria::platform::imaging {

// Reads up to `size` bytes at `offset` of `fd`, whatever the descriptor's own position (so
// threads may share it); fewer only at the end of the file or on an error.
std::size_t readFileAt(int fd, std::uint64_t offset, void* data, std::size_t size);

class FileReader {
 public:
  // Does not take ownership of `fd`.
  explicit FileReader(int fd);

  // Reads up to `size` bytes at the current position; fewer only at the end or on an error.
  std::size_t read(void* data, std::size_t size);
  // Reads exactly `size` bytes at `offset`, or returns false.
  bool readAt(std::uint64_t offset, void* data, std::size_t size);
  void seek(std::uint64_t offset) { position_ = offset; }
  void skip(std::uint64_t count) { position_ += count; }
  std::uint64_t position() const { return position_; }
  std::uint64_t size() const { return size_; }
  int fd() const { return fd_; }

 private:
  int fd_;
  std::uint64_t position_ = 0;
  std::uint64_t size_ = 0;
};

}  // namespace pixoria::platform::imaging
