#include "windows/socket_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "pixoria/platform/debug_output.h"

namespace pixoria::platform::posix {
namespace {

void reportFolderProblem(const std::string& folder, const std::string& problem) {
  writeStandardError("pixoria: window socket folder " + folder + ": " + problem + "\n");
}

}  // namespace

std::string socketFolderPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    std::string folder = runtime;
    while (folder.size() > 1 && folder.back() == '/') {
      folder.pop_back();
    }
    return folder == "/" ? "/pixoria" : folder + "/pixoria";
  }
  return "/tmp/pixoria-" + std::to_string(getuid());
}

bool prepareSocketFolder(std::string& folder) {
  folder = socketFolderPath();
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    reportFolderProblem(folder, std::string("cannot create: ") + std::strerror(errno));
    return false;
  }
  // lstat, not stat: a symbolic link planted in /tmp must not redirect us elsewhere.
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) {
    reportFolderProblem(folder, std::string("cannot inspect: ") + std::strerror(errno));
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    reportFolderProblem(folder, "not a directory");
    return false;
  }
  if (info.st_uid != getuid()) {
    reportFolderProblem(folder, "owned by user id " + std::to_string(info.st_uid) + ", not by " +
                                    std::to_string(getuid()));
    return false;
  }
  if ((info.st_mode & 077) != 0) {
    reportFolderProblem(folder, "accessible to group or others (needs mode 0700)");
    return false;
  }
  return true;
}

}  // namespace pixoria::platform::posix
