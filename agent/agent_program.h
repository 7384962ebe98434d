// PixoriaHelper: the hidden window, the tray icon and its menus, the message loop.
#pragma once

#include <cstdint>
#include <string_view>

#include "pixoria/platform/messages.h"
#include "pixoria/platform/tray.h"
#include "pixoria/platform/windows.h"

namespace pixoria {

// The agent window's identity, found by the configuration application and by a second start.
inline constexpr std::string_view kAgentWindowClass = "PIXORIA";
inline constexpr std::string_view kAgentWindowTitle = "Corvane Pixoria Helper";

// The tray icon and the messages it and other programs send.
inline constexpr std::uint32_t TRAY_ICON_ID = 1010;
inline constexpr std::uint32_t AGENT_MSG_TRAY = platform::WM_USER + 10;       // 1034
inline constexpr std::uint32_t AGENT_MSG_ADD_ICON = platform::WM_USER + 500;  // 1524
inline constexpr int kTrayIconResource = 131;

// Menu command numbers.
inline constexpr std::uint32_t IDM_CONFIGURATION = 208;
inline constexpr std::uint32_t IDM_CLOSE = 210;
inline constexpr std::uint32_t IDM_BING_NEXT = 307;
inline constexpr std::uint32_t IDM_BING_PREV = 308;
inline constexpr std::uint32_t IDM_NASA_NEXT = 309;
inline constexpr std::uint32_t IDM_NASA_PREV = 310;
inline constexpr std::uint32_t IDM_WIKI_NEXT = 322;
inline constexpr std::uint32_t IDM_WIKI_PREV = 323;

// Routes every message of the agent window; handled messages return 0.
platform::LResult agentWindowProc(platform::WindowHandle window, std::uint32_t message,
                                  platform::WParam wParam, platform::LParam lParam);

// Imaging, the icon record, the menus, the installation path and the Bing request table.
void agentInitialize();

// The whole program: returns its exit code (0, also when another agent already runs).
int runAgent();

}  // namespace pixoria
