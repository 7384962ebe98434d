#include "leftovers/hive_temporaries.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "leftovers/stale_files.h"
#include "registry/hive_file.h"

namespace pixoria::platform::posix {
namespace {

bool isFolder(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool lockExclusively(int fd) {
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      return false;
    }
  }
  return true;
}

}  // namespace

void removeHiveTemporaries() {
  const auto location = hive::locateHive();
  if (!location || !isFolder(location->folder)) {
    return;  // no hive yet, so no temporaries; and no folder is made for nothing
  }
  // The lock file is the one the writers take; closing it releases the lock.
  const int lock =
      ::open(location->lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
  if (lock < 0) {
    return;
  }
  if (lockExclusively(lock)) {
    const std::string name = location->file.substr(location->folder.size() + 1);
    const std::string prefix = name + ".";
    removeStaleFiles(
        location->folder,
        [&prefix](std::string_view entry) { return isTemporaryNameNotAWord(entry, prefix); },
        std::chrono::seconds(0));
  }
  ::close(lock);
}

}  // namespace pixoria::platform::posix
