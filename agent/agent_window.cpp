#include "agent/agent_window.h"

namespace pixoria {

platform::WindowHandle agentWindow = nullptr;

}  // namespace pixoria
