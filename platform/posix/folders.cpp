#include "pixoria/platform/folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "user_dirs.h"
#include "xdg_base_dirs.h"

namespace pixoria::platform {
namespace {

// user-dirs.dirs is a handful of lines; anything larger is not one and is read only this far.
constexpr std::size_t kUserDirsFileLimit = 64 * 1024;

bool hasNul(std::string_view text) {
  return text.find('\0') != std::string_view::npos;
}

std::string readFilePrefix(const std::string& path, std::size_t limit) {
  std::string text;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    return text;
  }
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    text.resize(limit);
    std::size_t filled = 0;
    while (filled < limit) {
      const ssize_t got = read(fd, text.data() + filled, limit - filled);
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got <= 0) {
        break;
      }
      filled += static_cast<std::size_t>(got);
    }
    text.resize(filled);
  }
  close(fd);
  return text;
}

// Tries a growing buffer until `call` fits; `call` returns the length used, or -1.
template <typename Call>
bool readIntoGrowingBuffer(std::string& out, Call call) {
  for (std::size_t size = 256; size <= 1 << 20; size *= 4) {
    std::vector<char> buffer(size);
    const ssize_t used = call(buffer.data(), buffer.size());
    if (used < 0) {
      return false;
    }
    if (static_cast<std::size_t>(used) < size) {
      out.assign(buffer.data(), static_cast<std::size_t>(used));
      return true;
    }
  }
  return false;
}

}  // namespace

bool getAppDataFolder(std::string& folder) {
  return posix::dataHomeFolder(folder);
}

bool getPicturesFolder(std::string& folder) {
  std::string home;
  if (!posix::homeFolder(home)) {
    return false;
  }
  std::string config;
  if (posix::configHomeFolder(config)) {
    const std::string text = readFilePrefix(config + "/user-dirs.dirs", kUserDirsFileLimit);
    if (posix::findUserDir(text, "PICTURES", home, folder)) {
      return true;
    }
  }
  folder = home + "/Pictures";
  return true;
}

bool getCurrentDirectory(std::string& folder) {
  return readIntoGrowingBuffer(folder, [](char* buffer, std::size_t size) -> ssize_t {
    if (getcwd(buffer, size) != nullptr) {
      return static_cast<ssize_t>(std::string_view(buffer).size());
    }
    return errno == ERANGE ? static_cast<ssize_t>(size) : -1;
  });
}

bool getExecutableFolder(std::string& folder) {
  std::string executable;
  if (!readIntoGrowingBuffer(executable, [](char* buffer, std::size_t size) {
        return readlink("/proc/self/exe", buffer, size);
      })) {
    return false;
  }
  const std::size_t slash = executable.rfind('/');
  if (slash == std::string::npos) {
    return false;
  }
  folder = slash == 0 ? "/" : executable.substr(0, slash);
  return true;
}

bool fileExists(std::string_view path) {
  if (path.empty() || hasNul(path)) {
    return false;
  }
  struct stat info {};
  return lstat(std::string(path).c_str(), &info) == 0;
}

bool createDirectories(std::string_view folder) {
  if (folder.empty() || hasNul(folder)) {
    return false;
  }
  const std::string path(folder);
  // Each missing level in turn, from the root down; what exists already is left as it is.
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string level = path.substr(0, end);
    if (!level.empty() && level.back() != '/' && mkdir(level.c_str(), 0700) != 0 &&
        errno != EEXIST) {
      return false;
    }
    if (end == std::string::npos) {
      break;
    }
  }
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace pixoria::platform
