// One run of a desktop's tool through the installed command runner, with a diagnostic line when
// it fails.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "command_runner.h"

namespace pixoria::platform {

// True when the program ran and exited with status 0. Otherwise writes
// "<desktop> desktop: <what went wrong>" to standard error. `outcome` receives the details.
bool runDesktopCommand(std::string_view desktop, const std::vector<std::string>& arguments,
                       CommandOutcome& outcome);
bool runDesktopCommand(std::string_view desktop, const std::vector<std::string>& arguments);

}  // namespace pixoria::platform
