// What the two programs say to each other. They find each other's windows by class and title and
// talk only through messages without data posted to those windows; everything else goes through
// the settings key (settings_schema.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "pixoria/app_window_class.h"  // kAppWindowClass, generated from the application's Qt
#include "pixoria/platform/messages.h"

namespace pixoria {

// The programs, by file name without the platform's program suffix.
inline constexpr std::string_view kAgentProgramName = "PixoriaHelper";
inline constexpr std::string_view kAppProgramName = "Pixoria";

// The agent's hidden window, which receives every message below.
inline constexpr std::string_view kAgentWindowClass = "PIXORIA";
inline constexpr std::string_view kAgentWindowTitle = "Corvane Pixoria Helper";

// The application's main window, which the agent restores with kWmSysCommand / kScRestore.
inline constexpr std::string_view kAppWindowTitle = "Corvane Pixoria";

// The tray icon's callback message: the mouse message is the second parameter.
inline constexpr std::uint32_t AGENT_MSG_TRAY = platform::kWmUser + 10;  // 1034
// The agent posts this to itself to add its tray icon after start.
inline constexpr std::uint32_t AGENT_MSG_ADD_ICON = platform::kWmUser + 500;  // 1524

// Posted by the application after it changed the settings.
inline constexpr std::uint32_t AGENT_MSG_RELOAD = platform::kWmUser + 300;      // 1324
inline constexpr std::uint32_t AGENT_MSG_RELOAD_ALT = platform::kWmUser + 301;  // 1325
inline constexpr std::uint32_t AGENT_MSG_ENABLE = platform::kWmUser + 302;      // 1326
inline constexpr std::uint32_t AGENT_MSG_DISABLE = platform::kWmUser + 303;     // 1327

// Posted to the agent by the platform's network watch when the network may have come back (an
// address, a link coming up, a default route). It may come when nothing changed for the agent:
// the agent acts on it only while a failed change waits for its retry.
inline constexpr std::uint32_t AGENT_MSG_NETWORK_CHANGED = platform::kWmUser + 304;  // 1328

// The tray menu's commands, posted as kWmCommand with the id in the first parameter.
inline constexpr std::uint32_t IDM_CONFIGURATION = 208;
inline constexpr std::uint32_t IDM_CLOSE = 210;
inline constexpr std::uint32_t IDM_BING_NEXT = 307;
inline constexpr std::uint32_t IDM_BING_PREV = 308;
inline constexpr std::uint32_t IDM_NASA_NEXT = 309;
inline constexpr std::uint32_t IDM_NASA_PREV = 310;
inline constexpr std::uint32_t IDM_WIKI_NEXT = 322;
inline constexpr std::uint32_t IDM_WIKI_PREV = 323;

}  // namespace pixoria
