// The name of a window's socket, made from its class and title so that every process of the user
// finds the same window under the same name.
#pragma once

#include <string>
#include <string_view>

namespace pixoria::platform::posix {

// The file name for a window: class and title, each with every byte other than [A-Za-z0-9_-]
// percent-encoded, joined by '.'. Any title is safe: no '/', no NUL, never "." or "..".
std::string windowSocketName(std::string_view className, std::string_view title);

// A stable 128-bit hash of class and title as "h-" and 32 hex digits, for names that do not fit.
std::string hashedWindowSocketName(std::string_view className, std::string_view title);

// The socket path in `folder`: the readable name, or the hashed one when the readable path would
// not fit a socket address. False when not even the hashed path fits.
bool windowSocketPath(const std::string& folder, std::string_view className, std::string_view title,
                      std::string& path);

}  // namespace pixoria::platform::posix
