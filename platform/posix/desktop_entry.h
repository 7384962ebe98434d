// Writing XDG desktop entries (the autostart file).
#pragma once

#include <string>
#include <string_view>

namespace pixoria::platform::posix {

// A string value escaped for a desktop entry: backslash, newline, tab, carriage return, and a
// leading space that would otherwise be trimmed.
std::string escapeDesktopString(std::string_view text);

// One argument of an Exec key, quoted when it holds a reserved character, with '%' doubled (it
// starts field codes); the result is still to be escaped as a string value.
std::string quoteExecArgument(std::string_view argument);

// The autostart entry that starts `programPath` (as the only word of Exec) under `name`, and
// that the session skips once no program is found at `programPath` (TryExec).
std::string autostartEntryText(std::string_view name, std::string_view programPath);

}  // namespace pixoria::platform::posix
