// Starting a program with posix_spawn: what every child of ours gets, and the few choices callers
// make. Programs start clean: no blocked signals and every handler at its default.
#pragma once

#include <spawn.h>
#include <sys/types.h>

#include <string>

namespace pixoria::platform::posix {

class SpawnSettings {
 public:
  SpawnSettings();
  ~SpawnSettings();
  SpawnSettings(const SpawnSettings&) = delete;
  SpawnSettings& operator=(const SpawnSettings&) = delete;

  // The child starts in this folder (nothing for an empty one).
  void changeFolder(const std::string& folder);
  // A session of its own: a Ctrl-C meant for us does not reach it.
  void newSession();
  // A process group of its own, so a signal to the group reaches whatever it starts too.
  void newProcessGroup();
  // Standard input from /dev/null; `target` (1 or 2) written to `fd`.
  void inputFromNull();
  void redirect(int fd, int target);

  // False when any setting could not be made: the program must not be started then.
  bool ok() const { return ok_; }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attributes() const { return &attributes_; }

 private:
  void addFlags(short flags);

  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
  short flags_ = 0;
  bool ok_ = true;
};

// A pidfd for a child (readable once it ends), or -1.
int openPidFd(pid_t pid);

}  // namespace pixoria::platform::posix
