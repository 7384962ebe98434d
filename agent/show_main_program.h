// Bringing up the configuration application from the tray.
#pragma once

#include <string_view>

namespace pixoria {

// The configuration application's main window.
inline constexpr std::string_view kAppWindowClass = "Qt690QWindowIcon";
inline constexpr std::string_view kAppWindowTitle = "Corvane Pixoria";
inline constexpr std::string_view kAppProgramName = "Pixoria";

// Restores and raises the configuration application's window when it is open; otherwise starts
// it from the installation folder, with that folder as working folder, and tells the user when it
// cannot be started. Always true.
bool ShowMainProgram();

}  // namespace pixoria
