#include "headless_desktop.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "headless_screens.h"

namespace pixoria::platform {
namespace {

std::string monitorIdAt(std::size_t index) {
  return "HEADLESS-" + std::to_string(index + 1);
}

// Creates each missing folder on the way down, private to the user as XDG wants.
bool createFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string prefix = folder.substr(0, slash);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
      return false;
    }
    if (slash == std::string::npos) {
      return true;
    }
  }
}

HResult resultFromErrno(int error) {
  if (error == EACCES || error == EPERM || error == EROFS) {
    return kAccessDenied;
  }
  return kFail;
}

}  // namespace

HeadlessDesktop::HeadlessDesktop(std::vector<MonitorSize> screens, std::string logPath)
    : screens_(std::move(screens)), logPath_(std::move(logPath)) {}

HResult HeadlessDesktop::getMonitorDevicePathCount(std::uint32_t& count) {
  count = static_cast<std::uint32_t>(screens_.size());
  return kOk;
}

HResult HeadlessDesktop::getMonitorDevicePathAt(std::uint32_t monitorIndex,
                                                std::string& monitorId) {
  if (monitorIndex >= screens_.size()) {
    return kInvalidArg;
  }
  return callWithoutExceptions([&] {
    monitorId = monitorIdAt(monitorIndex);
    return kOk;
  });
}

HResult HeadlessDesktop::setWallpaper(std::string_view monitorId, std::string_view imagePath) {
  return callWithoutExceptions([&] {
    std::size_t index = 0;
    while (index < screens_.size() && monitorIdAt(index) != monitorId) {
      ++index;
    }
    // A line break in the path would forge a second log line.
    if (index == screens_.size() || imagePath.find('\n') != std::string_view::npos) {
      return kInvalidArg;
    }
    if (!wallpaperFileExists(imagePath)) {
      return kFileNotFoundResult;
    }
    return appendLogLine("set " + std::to_string(index) + " " + std::string(monitorId) + " " +
                         std::string(imagePath));
  });
}

HResult HeadlessDesktop::setPosition(WallpaperPosition position) {
  const std::string_view name = wallpaperPositionName(position);
  if (name.empty()) {
    return kInvalidArg;
  }
  return callWithoutExceptions([&] { return appendLogLine("position " + std::string(name)); });
}

bool HeadlessDesktop::getPrimaryMonitorSize(MonitorSize& size) {
  if (screens_.empty()) {
    return false;
  }
  size = screens_.front();
  return true;
}

HResult HeadlessDesktop::appendLogLine(const std::string& line) {
  if (!createFolders(logPath_.substr(0, logPath_.rfind('/')))) {
    return resultFromErrno(errno);
  }
  const int file = ::open(logPath_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (file < 0) {
    return resultFromErrno(errno);
  }
  // One write per line: with O_APPEND the kernel places it whole at the end, so lines from
  // several processes never interleave.
  const std::string record = line + '\n';
  const ssize_t written = ::write(file, record.data(), record.size());
  const int writeError = errno;
  ::close(file);
  if (written != static_cast<ssize_t>(record.size())) {
    return resultFromErrno(written < 0 ? writeError : EIO);
  }
  return kOk;
}

bool headlessDesktopLogPath(std::string& path) {
  const char* stateHome = std::getenv("XDG_STATE_HOME");
  if (stateHome != nullptr && stateHome[0] == '/') {
    path = std::string(stateHome) + "/pixoria/desktop.log";
    return true;
  }
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') {
    path = std::string(home) + "/.local/state/pixoria/desktop.log";
    return true;
  }
  return false;
}

HResult createHeadlessDesktop(std::unique_ptr<DesktopBackend>& backend) {
  std::string logPath;
  if (!headlessDesktopLogPath(logPath)) {
    writeDesktopDiagnostic("headless desktop: neither XDG_STATE_HOME nor HOME names a folder");
    return kFail;
  }
  backend = std::make_unique<HeadlessDesktop>(headlessScreensFromEnvironment(), std::move(logPath));
  return kOk;
}

}  // namespace pixoria::platform
