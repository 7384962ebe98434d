// PixoriaHelper: the hidden window, the tray icon and its menus, the message loop.
#pragma once

#include <cstdint>
#include <string_view>

#include "agent/tray_tip.h"
#include "pixoria/platform/messages.h"
#include "pixoria/platform/tray.h"
#include "pixoria/platform/windows.h"
#include "pixoria/protocol.h"

namespace pixoria {

// The tray icon's picture (its id, TRAY_ICON_ID, is in tray_tip.h).
inline constexpr int kTrayIconResource = 131;

// Routes every message of the agent window; handled messages return 0.
platform::LResult agentWindowProc(platform::WindowHandle window, std::uint32_t message,
                                  platform::WParam wParam, platform::LParam lParam);

// Imaging, the icon record, the menus, the installation path and the Bing request table.
void agentInitialize();

// The whole program: returns its exit code (0, also when another agent already runs).
int runAgent();

}  // namespace pixoria
