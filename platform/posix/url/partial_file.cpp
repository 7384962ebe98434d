#include "url/partial_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace pixoria::platform::posix {
namespace {

// Images are not secrets: readable by all, like a file the user saved.
constexpr mode_t kFileMode = 0644;

HResult resultOfErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return kAccessDenied;
    default:
      return kFail;
  }
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

void syncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

PartialFile::PartialFile(const std::string& targetPath) : targetPath_(targetPath) {
  std::string pattern = targetPath + ".download-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) {
    createResult_ = resultOfErrno(errno);
    return;
  }
  partialPath_ = name.data();
  ::fchmod(fd_, kFileMode);
  createResult_ = kOk;
}

PartialFile::~PartialFile() {
  if (fd_ >= 0) {
    ::close(fd_);
  }
  if (!partialPath_.empty() && !committed_) {
    ::unlink(partialPath_.c_str());
  }
}

HResult PartialFile::append(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return resultOfErrno(written < 0 ? errno : EIO);
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return kOk;
}

HResult PartialFile::commit() {
  const bool synced = ::fsync(fd_) == 0;
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!synced || !closed) {
    return kFail;
  }
  if (::rename(partialPath_.c_str(), targetPath_.c_str()) != 0) {
    return resultOfErrno(errno);
  }
  committed_ = true;
  syncFolder(folderOf(targetPath_));
  return kOk;
}

}  // namespace pixoria::platform::posix
