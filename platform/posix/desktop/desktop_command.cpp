#include "desktop_command.h"

#include "desktop_backend.h"

namespace pixoria::platform {

bool runDesktopCommand(std::string_view desktop, const std::vector<std::string>& arguments,
                       CommandOutcome& outcome) {
  outcome = commandRunner().run(arguments);
  if (outcome.succeeded()) {
    return true;
  }
  writeDesktopDiagnostic(std::string(desktop) +
                         " desktop: " + describeCommandFailure(arguments, outcome));
  return false;
}

bool runDesktopCommand(std::string_view desktop, const std::vector<std::string>& arguments) {
  CommandOutcome outcome;
  return runDesktopCommand(desktop, arguments, outcome);
}

}  // namespace pixoria::platform
