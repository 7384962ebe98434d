// A shell that records what the programs start and show.
#include "pixoria/fake/fake_shell.h"

#include <map>

#include "pixoria/platform/shell.h"

namespace pixoria::fake {

void resetFolders();

namespace {

struct FakeShell {
  std::vector<MessageBoxCall> messageBoxes;
  std::vector<StartedProgram> started;
  std::map<std::string, std::string> autostart;
  bool failStarts = false;
};

FakeShell& shell() {
  static FakeShell instance;
  return instance;
}

}  // namespace

const std::vector<MessageBoxCall>& messageBoxes() {
  return shell().messageBoxes;
}
const std::vector<StartedProgram>& startedPrograms() {
  return shell().started;
}
void failProgramStarts(bool fail) {
  shell().failStarts = fail;
}

void shellReset() {
  shell() = FakeShell{};
  resetFolders();
}

}  // namespace pixoria::fake

namespace pixoria::platform {

using fake::shell;

bool shellExecute(std::string_view file, std::string_view workingFolder, ShowMode) {
  if (shell().failStarts) {
    return false;
  }
  shell().started.push_back({std::string(file), std::string(workingFolder)});
  return true;
}

bool setAutostartEntry(std::string_view name, std::string_view programPath) {
  shell().autostart[std::string(name)] = std::string(programPath);
  return true;
}

bool removeAutostartEntry(std::string_view name) {
  return shell().autostart.erase(std::string(name)) == 1;
}

int messageBox(std::string_view text, std::string_view title, unsigned) {
  shell().messageBoxes.push_back({std::string(text), std::string(title)});
  return 1;
}

}  // namespace pixoria::platform
