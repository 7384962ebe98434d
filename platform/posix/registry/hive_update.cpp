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
#include "registry/hive_file.h"
#include "registry/hive_reader.h"

namespace pixoria::platform::hive {
namespace {

using posix::UniqueFd;

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

// A reader opens either the old file or the new one, and a crash at any point leaves one of
// them whole.
ErrorCode replaceFile(const HiveLocation& location, std::string_view bytes, mode_t mode) {
  return posix::replaceFileAtomically(location.file, bytes, mode) ? kErrorSuccess
                                                                  : kErrorAccessDenied;
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
  UniqueFd lock(open(location->lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600));
  if (lock.get() < 0 || !lockExclusively(lock.get()))
    return kErrorAccessDenied;
  return updateLocked(*location, change);
}

}  // namespace pixoria::platform::hive
