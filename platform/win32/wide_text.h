// UTF-8 <-> UTF-16 at the boundary of every Windows call.
#pragma once

#include <string>
#include <string_view>

namespace pixoria::platform::win32 {

// MultiByteToWideChar(CP_UTF8). Invalid sequences become U+FFFD.
std::wstring toWide(std::string_view text);

// WideCharToMultiByte(CP_UTF8). Unpaired surrogates become U+FFFD.
std::string toUtf8(std::wstring_view text);

}  // namespace pixoria::platform::win32
