#include "leftovers/stale_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

#include "pixoria/platform/debug_output.h"

namespace pixoria::platform::posix {
namespace {

constexpr std::size_t kTemporarySuffixLength = 6;

bool isLetterOrDigit(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool isOldEnough(const struct stat& status, std::chrono::seconds age) {
  if (age.count() == 0) {
    return true;
  }
  const std::time_t now = std::time(nullptr);
  return status.st_mtim.tv_sec <= now && now - status.st_mtim.tv_sec > age.count();
}

}  // namespace

bool isTemporaryName(std::string_view name, std::string_view prefix) {
  if (name.size() != prefix.size() + kTemporarySuffixLength || !name.starts_with(prefix)) {
    return false;
  }
  const std::string_view suffix = name.substr(prefix.size());
  return std::all_of(suffix.begin(), suffix.end(), isLetterOrDigit);
}

bool isTemporaryNameNotAWord(std::string_view name, std::string_view prefix) {
  if (!isTemporaryName(name, prefix)) {
    return false;
  }
  const std::string_view suffix = name.substr(prefix.size());
  const bool lowerCase =
      std::all_of(suffix.begin(), suffix.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  const bool digits =
      std::all_of(suffix.begin(), suffix.end(), [](char c) { return c >= '0' && c <= '9'; });
  return !lowerCase && !digits;
}

void removeStaleFiles(const std::string& folder,
                      const std::function<bool(std::string_view name)>& isOurs,
                      std::chrono::seconds age) {
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) {
    return;
  }
  const int folderFd = ::dirfd(directory);
  while (const dirent* entry = ::readdir(directory)) {
    const std::string_view name = entry->d_name;
    struct stat status {};
    if (!isOurs(name) || ::fstatat(folderFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(status.st_mode) || !isOldEnough(status, age)) {
      continue;
    }
    if (::unlinkat(folderFd, entry->d_name, 0) == 0) {
      outputDebugString("Removed " + folder + "/" + std::string(name) +
                        ", left by a write that never finished\n");
    }
  }
  ::closedir(directory);
}

}  // namespace pixoria::platform::posix
