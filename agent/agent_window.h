// The agent's hidden window: it receives every message and owns both timers.
#pragma once

#include "pixoria/platform/windows.h"

namespace pixoria {

extern platform::WindowHandle agentWindow;

}  // namespace pixoria
