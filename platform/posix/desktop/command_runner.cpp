#include "command_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "files/unique_fd.h"
#include "spawn_settings.h"

extern char** environ;

namespace pixoria::platform {
namespace {

using Clock = std::chrono::steady_clock;
using posix::openPidFd;
using posix::SpawnSettings;

using posix::UniqueFd;

// A pipe whose read end is ours (non-blocking) and whose write end becomes the child's stream.
struct OutputPipe {
  UniqueFd read;
  UniqueFd write;

  bool open() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
      return false;
    }
    read.reset(ends[0]);
    write.reset(ends[1]);
    // Only our end: the child's end stays blocking, as programs expect of their stdout.
    return ::fcntl(read.get(), F_SETFL, O_NONBLOCK) == 0;
  }
};

// Appends what the pipe holds now, up to `limit` bytes kept. False once the pipe is closed.
bool readAvailable(int fd, std::string& text, std::size_t limit, bool& cut) {
  std::array<char, 65536> buffer;
  for (;;) {
    const ssize_t count = ::read(fd, buffer.data(), buffer.size());
    if (count > 0) {
      const std::size_t room = limit - std::min(limit, text.size());
      const std::size_t kept = std::min(room, static_cast<std::size_t>(count));
      text.append(buffer.data(), kept);
      cut = cut || kept < static_cast<std::size_t>(count);
      continue;
    }
    if (count < 0 && errno == EINTR) {
      continue;
    }
    return count < 0 && errno == EAGAIN;
  }
}

// True once the child has ended; it stays waitable (WNOWAIT) for reap().
bool hasEnded(pid_t pid) {
  siginfo_t info{};
  return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == pid;
}

// Reads both streams until the child has ended (then what is already in the pipes is taken; a
// grandchild may hold them open for ever) or the deadline passes. A child that closed its
// streams and runs on is still timed. True when the deadline passed with the child running.
bool collectOutput(OutputPipe& output, OutputPipe& errors, pid_t pid, int pidFd,
                   const CommandLimits& limits, CommandOutcome& outcome) {
  // Without a pidfd (kernels before 5.3) the end is checked between short polls.
  constexpr int kExitCheckMilliseconds = 10;
  const Clock::time_point deadline = Clock::now() + limits.timeLimit;
  bool childEnded = false;
  bool errorsCut = false;
  for (;;) {
    const bool pipesOpen = output.read.get() >= 0 || errors.read.get() >= 0;
    if (childEnded && !pipesOpen) {
      return false;
    }
    const auto remaining =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (remaining.count() <= 0) {
      return !childEnded;
    }
    int timeout = childEnded ? 0 : static_cast<int>(remaining.count()) + 1;
    if (!childEnded && pidFd < 0) {
      timeout = std::min(timeout, kExitCheckMilliseconds);
    }
    // Closed streams are left out by their negative descriptors.
    std::array<pollfd, 3> watched{{{output.read.get(), POLLIN, 0},
                                   {errors.read.get(), POLLIN, 0},
                                   {childEnded ? -1 : pidFd, POLLIN, 0}}};
    const int ready = ::poll(watched.data(), watched.size(), timeout);
    if (ready < 0 && errno != EINTR) {
      return !childEnded;  // a child we cannot watch is not left running
    }
    if (ready == 0 && childEnded) {
      return false;
    }
    if (watched[0].revents != 0 &&
        !readAvailable(output.read.get(), outcome.output, limits.outputLimit, outcome.outputCut)) {
      output.read.reset();
    }
    if (watched[1].revents != 0 && !readAvailable(errors.read.get(), outcome.errorOutput,
                                                  limits.errorOutputLimit, errorsCut)) {
      errors.read.reset();
    }
    if (!childEnded) {
      childEnded = pidFd >= 0 ? watched[2].revents != 0 : hasEnded(pid);
    }
  }
}

// Waits for this one pid: never -1, which would reap children other code is waiting for.
void reap(pid_t pid, CommandOutcome& outcome) {
  int status = 0;
  pid_t result;
  do {
    result = ::waitpid(pid, &status, 0);
  } while (result < 0 && errno == EINTR);
  if (result == pid && WIFEXITED(status)) {
    outcome.exited = true;
    outcome.exitStatus = WEXITSTATUS(status);
  }
}

CommandOutcome runSpawned(const std::vector<std::string>& arguments, const CommandLimits& limits) {
  CommandOutcome outcome;
  std::vector<char*> argv;
  for (const std::string& argument : arguments) {
    if (argument.find('\0') != std::string::npos) {
      outcome.startError = EINVAL;
      return outcome;
    }
    argv.push_back(const_cast<char*>(argument.c_str()));
  }
  argv.push_back(nullptr);
  OutputPipe output;
  OutputPipe errors;
  if (arguments.empty() || !output.open() || !errors.open()) {
    outcome.startError = arguments.empty() ? EINVAL : errno;
    return outcome;
  }
  SpawnSettings setup;
  setup.inputFromNull();
  setup.redirect(output.write.get(), STDOUT_FILENO);
  setup.redirect(errors.write.get(), STDERR_FILENO);
  setup.newProcessGroup();
  if (!setup.ok()) {
    outcome.startError = ENOMEM;
    return outcome;
  }
  pid_t pid = 0;
  // glibc reports a program that cannot be executed here, and has reaped that child itself.
  const int spawnError =
      ::posix_spawnp(&pid, argv[0], setup.actions(), setup.attributes(), argv.data(), environ);
  output.write.reset();
  errors.write.reset();
  if (spawnError != 0) {
    outcome.startError = spawnError;
    return outcome;
  }
  outcome.started = true;
  const UniqueFd pidFd(openPidFd(pid));
  outcome.timedOut = collectOutput(output, errors, pid, pidFd.get(), limits, outcome);
  if (outcome.timedOut) {
    ::kill(-pid, SIGKILL);
  }
  reap(pid, outcome);
  return outcome;
}

SpawnedCommandRunner& realRunner() {
  static SpawnedCommandRunner runner;
  return runner;
}

CommandRunner* installedRunner = nullptr;

std::string firstLine(std::string_view text) {
  std::string line(text.substr(0, text.find('\n')).substr(0, 200));
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
      c = ' ';
    }
  }
  return line;
}

}  // namespace

CommandOutcome SpawnedCommandRunner::run(const std::vector<std::string>& arguments) {
  return runSpawned(arguments, limits_);
}

CommandRunner& commandRunner() {
  return installedRunner != nullptr ? *installedRunner : realRunner();
}

void setCommandRunner(CommandRunner* runner) {
  installedRunner = runner;
}

std::string describeCommandFailure(const std::vector<std::string>& arguments,
                                   const CommandOutcome& outcome) {
  const std::string program = arguments.empty() ? std::string("(nothing)") : arguments[0];
  if (!outcome.started) {
    return "cannot run " + program + ": " + std::strerror(outcome.startError);
  }
  if (outcome.timedOut) {
    return program + " did not finish in time and was killed";
  }
  if (!outcome.exited) {
    return program + " was ended by a signal";
  }
  std::string text = program + " exited with status " + std::to_string(outcome.exitStatus);
  const std::string detail = firstLine(outcome.errorOutput);
  if (!detail.empty()) {
    text += ": " + detail;
  }
  return text;
}

}  // namespace pixoria::platform
