// Running the desktops' own command-line tools (gsettings, dbus-send, xfconf-query, swaymsg):
// an argument vector, never a shell; a time limit past which the program is killed; its output
// captured up to a bound. Tests install a runner that answers from a script.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace pixoria::platform {

struct CommandOutcome {
  bool started = false;  // false: the program could not be started (startError says why)
  int startError = 0;    // an errno value
  bool timedOut = false;
  bool exited = false;  // ended by exit() rather than by a signal
  int exitStatus = -1;
  std::string output;       // standard output, at most the runner's bound
  bool outputCut = false;   // the program wrote more than the bound
  std::string errorOutput;  // the start of standard error, for diagnostics

  bool succeeded() const { return started && !timedOut && exited && exitStatus == 0; }
};

class CommandRunner {
 public:
  virtual ~CommandRunner() = default;
  // arguments[0] is the program, looked up in PATH.
  virtual CommandOutcome run(const std::vector<std::string>& arguments) = 0;
};

struct CommandLimits {
  std::chrono::milliseconds timeLimit{5000};
  std::size_t outputLimit = std::size_t{1} << 20;
  std::size_t errorOutputLimit = 4096;
};

// Starts the program with posix_spawnp in a process group of its own, reads its output with
// poll, and kills the group once the time limit has passed. It waits for its own child's pid
// only, so children other parts of the program started are left to them.
class SpawnedCommandRunner final : public CommandRunner {
 public:
  explicit SpawnedCommandRunner(CommandLimits limits = {}) : limits_(limits) {}
  CommandOutcome run(const std::vector<std::string>& arguments) override;

 private:
  CommandLimits limits_;
};

// The runner the desktop backends use: a SpawnedCommandRunner unless a test installed another.
CommandRunner& commandRunner();

// Installs `runner` (not owned; null puts the real one back).
void setCommandRunner(CommandRunner* runner);

// "gsettings exited with status 1: No such schema" and the like, for a failed outcome.
std::string describeCommandFailure(const std::vector<std::string>& arguments,
                                   const CommandOutcome& outcome);

}  // namespace pixoria::platform
