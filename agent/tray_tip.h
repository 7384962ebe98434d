// The tooltip of the agent's tray icon: the program's name, and after a failed change a second
// line saying why and when the next try comes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pixoria {

// The tray icon on the agent window.
inline constexpr std::uint32_t TRAY_ICON_ID = 1010;

// The first line, and the whole tip while the last change went well.
inline constexpr std::string_view kTrayTipTitle = "Pixoria Helper";

// The notification record's limit for the tip, in bytes (its 128 characters end with a NUL).
inline constexpr std::size_t kMaxTrayTipBytes = 127;

// The tip the icon shows (or takes when it is added again).
const std::string& trayTip();

// The title alone, or the title and `detail` on a second line; cut to kMaxTrayTipBytes at a
// character boundary. The shown icon is modified only when the tip changes.
void showTrayTip(std::string_view detail);

// Forgets the tip shown, back to the title, without touching the icon (a new agent window).
void resetTrayTip();

}  // namespace pixoria
