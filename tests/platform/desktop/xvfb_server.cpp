#include "xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/child_process.h"

extern char** environ;

namespace pixoria::test {
namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kExitTimeoutMs = 10000;

std::vector<char*> argumentVector(std::vector<std::string>& arguments) {
  std::vector<char*> vector;
  for (std::string& argument : arguments) {
    vector.push_back(argument.data());
  }
  vector.push_back(nullptr);
  return vector;
}

// The display number Xvfb writes, followed by a newline, once it accepts connections.
std::string readDisplayNumber(int fd) {
  std::string number;
  char c = 0;
  while (number.size() < 16) {
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, kStartTimeoutMs) <= 0 || ::read(fd, &c, 1) != 1 || c == '\n') {
      break;
    }
    number += c;
  }
  return c == '\n' && !number.empty() ? ":" + number : "";
}

}  // namespace

XvfbServer::XvfbServer(const std::string& screen) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    error_ = "pipe: " + std::string(std::strerror(errno));
    return;
  }
  // The server writes to the descriptor it is told; give it a fixed number without O_CLOEXEC.
  constexpr int kChildFd = 3;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], kChildFd);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> arguments = {"Xvfb",     "-displayfd", std::to_string(kChildFd),
                                        "-screen",  "0",          screen,
                                        "-noreset", "-nolisten",  "tcp"};
  std::vector<char*> argv = argumentVector(arguments);
  const int spawned = ::posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawned != 0) {
    pid_ = -1;
    error_ = "cannot start Xvfb (" + std::string(std::strerror(spawned)) +
             "): install Debian's xvfb package";
  } else {
    display_ = readDisplayNumber(pipeFds[0]);
    if (display_.empty()) {
      error_ = "Xvfb did not report a display within 10 s";
    }
  }
  ::close(pipeFds[0]);
}

XvfbServer::~XvfbServer() {
  stop();
}

void XvfbServer::stop() {
  if (pid_ > 0) {
    stopChild(pid_);
    pid_ = -1;
  }
}

bool runWithDisplay(const std::string& display, const std::vector<std::string>& arguments) {
  // env(1) sets the variable for the one program, leaving ours as it is.
  std::vector<std::string> command = {"env", "DISPLAY=" + display};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return runProgram(command, kExitTimeoutMs);
}

}  // namespace pixoria::test
