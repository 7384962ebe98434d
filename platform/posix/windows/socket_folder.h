// The folder that holds the windows' sockets: $XDG_RUNTIME_DIR/pixoria, or /tmp/pixoria-<uid>
// when that variable is unset or not absolute. Anyone who can write there can impersonate a
// window, so the folder must be a directory owned by this user with no group or other access.
#pragma once

#include <string>

namespace pixoria::platform::posix {

// The folder's path from the environment; it may not exist yet.
std::string socketFolderPath();

// Creates the folder (mode 0700) if missing and checks that it is safe to use. On failure writes
// a diagnostic to standard error and returns false; a folder of someone else is never changed.
bool prepareSocketFolder(std::string& folder);

}  // namespace pixoria::platform::posix
