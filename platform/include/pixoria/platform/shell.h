// The shell: starting programs, the autostart entry, message boxes, after shell32 and user32.
// The notification icon and its menus live in tray.h.
#pragma once

#include <string_view>

namespace pixoria::platform {

// nShowCmd values.
enum class ShowMode : int { hide = 0, showNormal = 1 };

// ShellExecuteExW / ShellExecuteW with the "open" verb: starts the program at `file` in
// `workingFolder`, without a shell and with no arguments. False when it cannot be started.
bool shellExecute(std::string_view file, std::string_view workingFolder, ShowMode show);

// The per-user autostart entry named `name` (the Run key on Windows, an XDG autostart file on
// Linux) that starts `programPath` at logon.
bool setAutostartEntry(std::string_view name, std::string_view programPath);
bool removeAutostartEntry(std::string_view name);

// MessageBoxW flags the programs use.
inline constexpr unsigned kMessageBoxOk = 0x0;
inline constexpr unsigned kMessageBoxIconError = 0x10;

// MessageBoxW without owner. On Linux a desktop notification, or a line on standard error when no
// notification service answers; it never blocks.
int messageBox(std::string_view text, std::string_view title, unsigned flags);

}  // namespace pixoria::platform
