// A command runner for tests: records every argument vector and answers from a script, so the
// desktop backends can be checked without the desktops' tools. Installs itself while it lives.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/desktop/command_runner.h"

namespace pixoria::test {

class RecordingCommandRunner final : public platform::CommandRunner {
 public:
  RecordingCommandRunner() { platform::setCommandRunner(this); }
  ~RecordingCommandRunner() override { platform::setCommandRunner(nullptr); }
  RecordingCommandRunner(const RecordingCommandRunner&) = delete;
  RecordingCommandRunner& operator=(const RecordingCommandRunner&) = delete;

  // Commands whose arguments begin with `prefix` get `outcome`; the latest matching rule wins.
  // Anything unscripted exits 0 with no output.
  void answer(std::vector<std::string> prefix, platform::CommandOutcome outcome) {
    rules_.push_back({std::move(prefix), std::move(outcome)});
  }
  void answerOutput(std::vector<std::string> prefix, std::string output) {
    answer(std::move(prefix), exited(0, std::move(output)));
  }

  static platform::CommandOutcome exited(int status, std::string output = {}) {
    platform::CommandOutcome outcome;
    outcome.started = true;
    outcome.exited = true;
    outcome.exitStatus = status;
    outcome.output = std::move(output);
    return outcome;
  }
  static platform::CommandOutcome notStarted(int error) {
    platform::CommandOutcome outcome;
    outcome.startError = error;
    return outcome;
  }

  platform::CommandOutcome run(const std::vector<std::string>& arguments) override {
    calls.push_back(arguments);
    for (auto rule = rules_.rbegin(); rule != rules_.rend(); ++rule) {
      if (arguments.size() >= rule->prefix.size() &&
          std::equal(rule->prefix.begin(), rule->prefix.end(), arguments.begin())) {
        return rule->outcome;
      }
    }
    return exited(0);
  }

  std::vector<std::vector<std::string>> calls;

 private:
  struct Rule {
    std::vector<std::string> prefix;
    platform::CommandOutcome outcome;
  };
  std::vector<Rule> rules_;
};

}  // namespace pixoria::test
