#include "imaging/file_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pixoria::platform::imaging {

FileReader::FileReader(int fd) : fd_(fd) {
  struct stat status {};
  if (fstat(fd_, &status) == 0 && status.st_size > 0) {
    size_ = static_cast<std::uint64_t>(status.st_size);
  }
}

std::size_t readFileAt(int fd, std::uint64_t offset, void* data, std::size_t size) {
  std::size_t done = 0;
  auto* bytes = static_cast<unsigned char*>(data);
  while (done < size) {
    ssize_t got = pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;
    }
    done += static_cast<std::size_t>(got);
  }
  return done;
}

std::size_t FileReader::read(void* data, std::size_t size) {
  std::size_t done = readFileAt(fd_, position_, data, size);
  position_ += done;
  return done;
}

bool FileReader::readAt(std::uint64_t offset, void* data, std::size_t size) {
  position_ = offset;
  return read(data, size) == size;
}

}  // namespace pixoria::platform::imaging
