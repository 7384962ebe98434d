// Bringing up the configuration application from the tray.
#pragma once

#include "pixoria/protocol.h"

namespace pixoria {

// Restores and raises the configuration application's window when it is open; otherwise starts
// it from the installation folder, with that folder as working folder, and tells the user when it
// cannot be started. Always true.
bool ShowMainProgram();

}  // namespace pixoria
