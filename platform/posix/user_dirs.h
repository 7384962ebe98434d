// The user's well-known folders from $XDG_CONFIG_HOME/user-dirs.dirs, read the way xdg-user-dir
// reads them, without running a shell on the file.
#pragma once

#include <string>
#include <string_view>

namespace pixoria::platform::posix {

// Looks up XDG_<name>_DIR in the text of a user-dirs.dirs file. A value is "$HOME/..." (or
// "$HOME") or an absolute path in double quotes, with backslash escapes; other lines and values
// are ignored, and the last valid assignment wins. False when there is none.
bool findUserDir(std::string_view fileText, std::string_view name, const std::string& home,
                 std::string& folder);

}  // namespace pixoria::platform::posix
