#include "pixoria/platform/shell.h"

#include <signal.h>
#include <spawn.h>
#include <sys/epoll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "atomic_file.h"
#include "desktop_entry.h"
#include "pixoria/platform/folders.h"
#include "windows/event_loop.h"
#include "xdg_base_dirs.h"

extern char** environ;

namespace pixoria::platform {
namespace {

using posix::EventLoop;

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
  if (child.watch != 0)
    EventLoop::instance().remove(child.watch);
  if (child.pidfd >= 0)
    close(child.pidfd);
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

// Through syscall(): glibc 2.36 declares pidfd_open without C linkage for C++.
int openPidFd(pid_t pid) {
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
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
  if (!posix::configHomeFolder(folder))
    return false;
  folder += "/autostart";
  return true;
}

class SpawnSettings {
 public:
  explicit SpawnSettings(const std::string& workingFolder) {
    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attributes_);
    if (!workingFolder.empty()) {
      ok_ = posix_spawn_file_actions_addchdir_np(&actions_, workingFolder.c_str()) == 0;
    }
    // The program starts clean: its own session (a Ctrl-C meant for us does not reach it), no
    // blocked signals and every handler at its default.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    ok_ = ok_ && posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
          posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
          posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                     POSIX_SPAWN_SETSID) == 0;
  }
  ~SpawnSettings() {
    posix_spawnattr_destroy(&attributes_);
    posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;

  bool ok() const { return ok_; }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attributes() const { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
  bool ok_ = true;
};

}  // namespace

bool shellExecute(std::string_view file, std::string_view workingFolder, ShowMode) {
  reapEndedChildren();
  const std::string_view nul("\0", 1);
  if (file.empty() || file.find(nul) != std::string_view::npos ||
      workingFolder.find(nul) != std::string_view::npos) {
    return false;
  }
  std::string program(file);
  const SpawnSettings settings{std::string(workingFolder)};
  if (!settings.ok())
    return false;
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
  if (!isSafeEntryName(name) || !autostartFolder(folder))
    return false;
  const std::string path = folder + '/' + std::string(name) + ".desktop";
  return unlink(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace pixoria::platform
