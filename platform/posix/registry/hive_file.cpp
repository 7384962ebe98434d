#include "registry/hive_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "files/unique_fd.h"
#include "registry/hive_encoding.h"

namespace pixoria::platform::hive {
namespace {

bool isAbsolute(const char* path) {
  return path != nullptr && path[0] == '/';
}

std::optional<std::string> homeFolder() {
  const char* home = std::getenv("HOME");
  if (isAbsolute(home)) {
    return std::string(home);
  }
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      isAbsolute(found->pw_dir)) {
    return std::string(found->pw_dir);
  }
  return std::nullopt;
}

bool sameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

FileStamp toStamp(const struct stat& info) {
  FileStamp stamp;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.modified = info.st_mtim;
  stamp.changed = info.st_ctim;
  stamp.mode = info.st_mode;
  return stamp;
}

using posix::UniqueFd;

}  // namespace

std::optional<HiveLocation> locateHive() {
  std::string config;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (isAbsolute(xdg)) {
    config = xdg;
  } else if (auto home = homeFolder()) {
    config = *home + "/.config";
  } else {
    return std::nullopt;
  }
  HiveLocation location;
  location.folder = config + "/pixoria";
  location.file = location.folder + "/HKCU.reg";
  location.lockFile = location.file + ".lock";
  return location;
}

bool FileStamp::sameVersion(const FileStamp& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         sameTime(modified, other.modified) && sameTime(changed, other.changed);
}

FileRead readBoundedFile(const std::string& path, std::size_t maxBytes) {
  FileRead result;
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    result.status =
        (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::kMissing : ReadStatus::kUnreadable;
    return result;
  }
  struct stat info {};
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    result.status = ReadStatus::kUnreadable;
    return result;
  }
  result.stamp = toStamp(info);
  if (static_cast<std::size_t>(info.st_size) > maxBytes) {
    result.status = ReadStatus::kTooLarge;
    return result;
  }
  // The file may grow while it is read; one byte past the cap tells.
  result.bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
  std::size_t used = 0;
  for (;;) {
    if (used == result.bytes.size()) {
      if (used > maxBytes) {
        result.status = ReadStatus::kTooLarge;
        result.bytes.clear();
        return result;
      }
      result.bytes.resize(std::min(used * 2, maxBytes + 1));
    }
    const ssize_t got = read(fd.get(), result.bytes.data() + used, result.bytes.size() - used);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      result.status = ReadStatus::kUnreadable;
      result.bytes.clear();
      return result;
    }
    if (got == 0) {
      break;
    }
    used += static_cast<std::size_t>(got);
  }
  result.bytes.resize(used);
  result.status = ReadStatus::kOk;
  return result;
}

bool withinHiveLimits(std::string_view bytes) {
  return bytes.size() <= kMaxHiveBytes && countLineFeeds(bytes) < kMaxHiveLines;
}

FileRead readHiveFile(const std::string& path) {
  FileRead file = readBoundedFile(path);
  if (file.status == ReadStatus::kOk && !withinHiveLimits(file.bytes)) {
    file.status = ReadStatus::kTooLarge;
    file.bytes = std::string();
  }
  return file;
}

std::optional<FileStamp> stampOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    return std::nullopt;
  }
  return toStamp(info);
}

}  // namespace pixoria::platform::hive
