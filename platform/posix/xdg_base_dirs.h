// The user's home and the XDG base directories, as the XDG Base Directory rules define them: a
// variable that is unset, empty or not an absolute path is ignored in favour of its default.
#pragma once

#include <string>

namespace pixoria::platform::posix {

// $HOME, or the password database's home when HOME is unset or not absolute. False when neither.
bool homeFolder(std::string& folder);

// $XDG_CONFIG_HOME, default $HOME/.config.
bool configHomeFolder(std::string& folder);

// $XDG_DATA_HOME, default $HOME/.local/share.
bool dataHomeFolder(std::string& folder);

}  // namespace pixoria::platform::posix
