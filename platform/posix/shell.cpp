#include "pixoria/platform/shell.h"

#include <signal.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "desktop_entry.h"
#include "files/atomic_file.h"
#include "pixoria/platform/folders.h"
#include "spawn_settings.h"
#include "windows/event_loop.h"
#include "xdg_base_dirs.h"

extern char** environ;

namespace pixoria::platform {
namespace {

using posix::EventLoop;
using posix::openPidFd;
using posix::SpawnSettings;

// Children we started and have not reaped yet. We wait only for these pids, never for "any
// child", so other code of the program that waits for its own children is not disturbed.
struct StartedChild {
  pid_t pid;
  int pidfd;
  EventLoop::WatchId watch;
};

std::vector<StartedChild>& startedChildren() {
  static std::vector<StartedChild> children;
  return children;
}

void forgetChild(std::size_t index) {
  StartedChild& child = startedChildren()[index];
  if (child.watch != 0) {
    EventLoop::instance().remove(child.watch);
  }
  if (child.pidfd >= 0) {
    close(child.pidfd);
  }
  startedChildren().erase(startedChildren().begin() + static_cast<std::ptrdiff_t>(index));
}

// Reaps the children that have ended; ECHILD means someone (SIGCHLD ignored) reaped it already.
void reapEndedChildren() {
  for (std::size_t i = 0; i < startedChildren().size();) {
    const pid_t result = waitpid(startedChildren()[i].pid, nullptr, WNOHANG);
    if (result != 0 && !(result < 0 && errno == EINTR)) {
      forgetChild(i);
    } else {
      ++i;
    }
  }
}

// The loop reaps the child as soon as it ends; without a running loop the next start does.
void trackChild(pid_t pid) {
  StartedChild child{pid, openPidFd(pid), 0};
  if (child.pidfd >= 0) {
    child.watch = EventLoop::instance().addWatch(child.pidfd, EPOLLIN,
                                                 [](std::uint32_t) { reapEndedChildren(); });
  }
  startedChildren().push_back(child);
}

bool isSafeEntryName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

bool autostartFolder(std::string& folder) {
  if (!posix::configHomeFolder(folder)) {
    return false;
  }
  folder += "/autostart";
  return true;
}

}  // namespace

bool shellExecute(std::string_view file, std::string_view workingFolder, ShowMode) {
  reapEndedChildren();
  const std::string_view nul("\0", 1);
  if (file.empty() || file.find(nul) != std::string_view::npos ||
      workingFolder.find(nul) != std::string_view::npos) {
    return false;
  }
  std::string program(file);
  SpawnSettings settings;
  settings.changeFolder(std::string(workingFolder));
  settings.newSession();
  if (!settings.ok()) {
    return false;
  }
  char* arguments[] = {program.data(), nullptr};
  pid_t pid = 0;
  // glibc reports a failed chdir or exec of the child as the result, and reaps that child.
  if (posix_spawn(&pid, program.c_str(), settings.actions(), settings.attributes(), arguments,
                  environ) != 0) {
    return false;
  }
  trackChild(pid);
  return true;
}

bool setAutostartEntry(std::string_view name, std::string_view programPath) {
  std::string folder;
  if (!isSafeEntryName(name) || !autostartFolder(folder) || !createDirectories(folder)) {
    return false;
  }
  const std::string path = folder + '/' + std::string(name) + ".desktop";
  return posix::replaceFileAtomically(path, posix::autostartEntryText(name, programPath), 0644);
}

bool removeAutostartEntry(std::string_view name) {
  std::string folder;
  if (!isSafeEntryName(name) || !autostartFolder(folder)) {
    return false;
  }
  const std::string path = folder + '/' + std::string(name) + ".desktop";
  return unlink(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace pixoria::platform
