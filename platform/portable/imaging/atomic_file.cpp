#include "imaging/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace pixoria::platform::imaging {
namespace {

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A wallpaper file is as readable as any other picture; an existing file keeps its mode.
mode_t modeFor(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) == 0)
    return status.st_mode & 07777;
  return 0644;
}

void syncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool replaceFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write) {
  if (path.empty() || path.back() == '/')
    return false;
  std::string folder = folderOf(path);
  std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  std::string pattern = folder + "/." + name + ".XXXXXX";
  std::vector<char> temporary(pattern.begin(), pattern.end());
  temporary.push_back('\0');
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0)
    return false;
  fchmod(fd, modeFor(path));
  std::FILE* stream = fdopen(fd, "wb");
  if (!stream) {
    close(fd);
    unlink(temporary.data());
    return false;
  }
  bool written = write(stream);
  written = std::fflush(stream) == 0 && written && std::ferror(stream) == 0;
  written = fsync(fileno(stream)) == 0 && written;
  written = std::fclose(stream) == 0 && written;
  if (!written || rename(temporary.data(), path.c_str()) != 0) {
    unlink(temporary.data());
    return false;
  }
  syncFolder(folder);
  return true;
}

}  // namespace pixoria::platform::imaging
