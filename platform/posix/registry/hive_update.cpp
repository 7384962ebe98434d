#include "registry/hive_update.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/atomic_file.h"
#include "files/unique_fd.h"
#include "registry/hive_encoding.h"
#include "registry/hive_file.h"
#include "registry/hive_reader.h"

namespace pixoria::platform::hive {
namespace {

using posix::UniqueFd;

// Creates the folder and its missing parents, private to the user.
bool makeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      return false;
    }
    if (slash == std::string::npos) {
      break;
    }
  }
  struct stat info {};
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Blocks until the lock is ours. The holder is another of our programs doing one bounded
// rewrite, and the kernel drops the lock if it dies, so the wait is short.
bool lockExclusively(int fd) {
  while (flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      return false;
    }
  }
  return true;
}

// The Windows code a user can act on: a full disk, a read-only file system, or (for every other
// failure: permissions, a folder in the way) access denied.
ErrorCode errorOf(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case EROFS:
      return kErrorWriteProtect;
    default:
      return kErrorAccessDenied;
  }
}

// A reader opens either the old file or the new one, and a crash at any point leaves one of
// them whole.
ErrorCode replaceFile(const HiveLocation& location, std::string_view bytes, mode_t mode) {
  posix::AtomicFile file(location.file, location.file + ".XXXXXX", mode);
  if (file.write(bytes) && file.commit()) {
    return kErrorSuccess;
  }
  return errorOf(file.error());
}

// Said once per refused write, on standard error as the reader says it of a file it refuses.
void reportTooLarge(const std::string& path, std::string_view bytes) {
  const std::string line =
      "registry: not writing " + path + ": it would have " + std::to_string(bytes.size()) +
      " bytes and " + std::to_string(countLineFeeds(bytes)) + " lines, more than the " +
      std::to_string(kMaxHiveBytes) + " bytes or " + std::to_string(kMaxHiveLines - 1) +
      " lines a reader takes; the file is left as it was\n";
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line.data(), line.size());
}

ErrorCode updateLocked(const HiveLocation& location,
                       const std::function<ErrorCode(HiveDocument&)>& change) {
  const FileRead current = readHiveFile(location.file);
  if (current.status == ReadStatus::kTooLarge) {
    return kErrorInvalidData;
  }
  if (current.status == ReadStatus::kUnreadable) {
    return kErrorAccessDenied;
  }

  HiveDocument document = parseHiveBytes(current.bytes);
  if (const ErrorCode result = change(document); result != kErrorSuccess) {
    return result;
  }
  std::string updated = serializeHive(document);
  if (current.status == ReadStatus::kOk && updated == current.bytes) {
    return kErrorSuccess;
  }
  if (!withinHiveLimits(updated)) {
    reportTooLarge(location.file, updated);
    return kErrorFileTooLarge;
  }

  const mode_t mode = current.status == ReadStatus::kOk ? (current.stamp.mode & 07777) : 0600;
  const ErrorCode result = replaceFile(location, updated, mode);
  if (result == kErrorSuccess) {
    rememberWrittenHive(location.file, document, std::move(updated));
  }
  return result;
}

}  // namespace

ErrorCode updateHive(const std::function<ErrorCode(HiveDocument&)>& change) {
  const auto location = locateHive();
  if (!location) {
    return kErrorAccessDenied;
  }
  if (!makeFolders(location->folder)) {
    return errorOf(errno);
  }
  UniqueFd lock(open(location->lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600));
  if (lock.get() < 0 || !lockExclusively(lock.get())) {
    return errorOf(errno);
  }
  return updateLocked(*location, change);
}

}  // namespace pixoria::platform::hive
