#include "registry/hive_update.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

#include "registry/hive_file.h"
#include "registry/hive_reader.h"

namespace pixoria::platform::hive {
namespace {

class ScopedFd {
 public:
  explicit ScopedFd(int fd) : fd_(fd) {}
  ~ScopedFd() { reset(); }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  int get() const { return fd_; }
  // close() reports late write errors, so the writer checks it.
  bool reset() {
    const bool ok = fd_ < 0 || close(fd_) == 0;
    fd_ = -1;
    return ok;
  }

 private:
  int fd_;
};

// Creates the folder and its missing parents, private to the user.
bool makeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      return false;
    if (slash == std::string::npos)
      break;
  }
  struct stat info {};
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Blocks until the lock is ours. The holder is another of our programs doing one bounded
// rewrite, and the kernel drops the lock if it dies, so the wait is short.
bool lockExclusively(int fd) {
  while (flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR)
      return false;
  }
  return true;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

void syncFolder(const std::string& folder) {
  ScopedFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() >= 0)
    fsync(fd.get());
}

// Temporary file in the same folder, flushed, renamed over the hive: a reader opens either the
// old file or the new one, and a crash at any point leaves one of them whole.
ErrorCode replaceFile(const HiveLocation& location, std::string_view bytes, mode_t mode) {
  std::string temporary = location.file + ".XXXXXX";
  ScopedFd fd(mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.get() < 0)
    return kErrorAccessDenied;
  const bool written = fchmod(fd.get(), mode) == 0 && writeAll(fd.get(), bytes) &&
                       fsync(fd.get()) == 0 && fd.reset();
  if (!written || rename(temporary.c_str(), location.file.c_str()) != 0) {
    unlink(temporary.c_str());
    return kErrorAccessDenied;
  }
  syncFolder(location.folder);
  return kErrorSuccess;
}

ErrorCode updateLocked(const HiveLocation& location,
                       const std::function<ErrorCode(HiveDocument&)>& change) {
  const FileRead current = readHiveFile(location.file);
  if (current.status == ReadStatus::kTooLarge)
    return kErrorInvalidData;
  if (current.status == ReadStatus::kUnreadable)
    return kErrorAccessDenied;

  HiveDocument document = parseHiveBytes(current.bytes);
  if (const ErrorCode result = change(document); result != kErrorSuccess)
    return result;
  std::string updated = serializeHive(document);
  if (current.status == ReadStatus::kOk && updated == current.bytes)
    return kErrorSuccess;

  const mode_t mode = current.status == ReadStatus::kOk ? (current.stamp.mode & 07777) : 0600;
  const ErrorCode result = replaceFile(location, updated, mode);
  if (result == kErrorSuccess)
    rememberWrittenHive(location.file, document, std::move(updated));
  return result;
}

}  // namespace

ErrorCode updateHive(const std::function<ErrorCode(HiveDocument&)>& change) {
  const auto location = locateHive();
  if (!location || !makeFolders(location->folder))
    return kErrorAccessDenied;
  ScopedFd lock(open(location->lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600));
  if (lock.get() < 0 || !lockExclusively(lock.get()))
    return kErrorAccessDenied;
  return updateLocked(*location, change);
}

}  // namespace pixoria::platform::hive
