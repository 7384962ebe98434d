#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace pixoria::test {
namespace {

constexpr int kStopTimeoutMs = 5000;

std::vector<char*> argumentVector(std::vector<std::string>& arguments) {
  std::vector<char*> vector;
  for (std::string& argument : arguments) {
    vector.push_back(argument.data());
  }
  vector.push_back(nullptr);
  return vector;
}

pid_t spawnWithOutputs(const std::vector<std::string>& arguments, int stdoutFd, bool quiet) {
  if (arguments.empty()) {
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdoutFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  if (quiet) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
  std::vector<std::string> copy = arguments;
  std::vector<char*> argv = argumentVector(copy);
  pid_t pid = -1;
  const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

}  // namespace

pid_t spawnProgram(const std::vector<std::string>& arguments, int stdoutFd) {
  return spawnWithOutputs(arguments, stdoutFd, false);
}

bool waitForChild(pid_t pid, int timeoutMs, int& status) {
  for (int waited = 0; waited <= timeoutMs; waited += 10) {
    const pid_t ended = ::waitpid(pid, &status, WNOHANG);
    if (ended == pid || (ended < 0 && errno != EINTR)) {
      return ended == pid;
    }
    ::usleep(10000);
  }
  return false;
}

void stopChild(pid_t pid) {
  int status = 0;
  ::kill(pid, SIGTERM);
  if (!waitForChild(pid, kStopTimeoutMs, status)) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
}

bool runProgram(const std::vector<std::string>& arguments, int timeoutMs) {
  const pid_t pid = spawnWithOutputs(arguments, -1, true);
  if (pid < 0) {
    return false;
  }
  int status = 0;
  if (!waitForChild(pid, timeoutMs, status)) {
    stopChild(pid);
    return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace pixoria::test
