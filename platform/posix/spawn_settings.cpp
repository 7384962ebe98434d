#include "spawn_settings.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace pixoria::platform::posix {

SpawnSettings::SpawnSettings() {
  ok_ = posix_spawn_file_actions_init(&actions_) == 0 && posix_spawnattr_init(&attributes_) == 0;
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  ok_ = ok_ && posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
        posix_spawnattr_setsigdefault(&attributes_, &all) == 0;
  addFlags(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

SpawnSettings::~SpawnSettings() {
  posix_spawnattr_destroy(&attributes_);
  posix_spawn_file_actions_destroy(&actions_);
}

void SpawnSettings::changeFolder(const std::string& folder) {
  if (!folder.empty()) {
    ok_ = ok_ && posix_spawn_file_actions_addchdir_np(&actions_, folder.c_str()) == 0;
  }
}

void SpawnSettings::newSession() {
  addFlags(POSIX_SPAWN_SETSID);
}

void SpawnSettings::newProcessGroup() {
  ok_ = ok_ && posix_spawnattr_setpgroup(&attributes_, 0) == 0;
  addFlags(POSIX_SPAWN_SETPGROUP);
}

void SpawnSettings::inputFromNull() {
  ok_ = ok_ &&
        posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0;
}

void SpawnSettings::redirect(int fd, int target) {
  ok_ = ok_ && posix_spawn_file_actions_adddup2(&actions_, fd, target) == 0;
}

void SpawnSettings::addFlags(short flags) {
  flags_ = static_cast<short>(flags_ | flags);
  ok_ = ok_ && posix_spawnattr_setflags(&attributes_, flags_) == 0;
}

// Through syscall(): glibc 2.36 declares pidfd_open without C linkage for C++.
int openPidFd(pid_t pid) {
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

}  // namespace pixoria::platform::posix
