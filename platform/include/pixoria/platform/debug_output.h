// Diagnostics: the debugger output (OutputDebugStringW) and the console streams, which the
// Windows implementation writes as wide characters.
#pragma once

#include <string_view>

namespace pixoria::platform {

// OutputDebugStringW. On Linux the text goes to standard error as it is.
void outputDebugString(std::string_view text);

// The (wide) standard output stream: the text as it is, no newline added.
void writeStandardOutput(std::string_view text);

// The (wide) standard error stream: the text as it is, no newline added.
void writeStandardError(std::string_view text);

}  // namespace pixoria::platform
