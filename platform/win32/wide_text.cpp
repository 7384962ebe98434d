#include "wide_text.h"

#include <windows.h>

#include <climits>

namespace pixoria::platform::win32 {

std::wstring toWide(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) {
    return {};
  }
  const int size = static_cast<int>(text.size());
  const int wideSize = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wideSize > 0 ? wideSize : 0), L'\0');
  if (wideSize > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), wideSize);
  }
  return wide;
}

std::string toUtf8(std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX) {
    return {};
  }
  const int size = static_cast<int>(text.size());
  const int narrowSize =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(narrowSize > 0 ? narrowSize : 0), '\0');
  if (narrowSize > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), narrowSize, nullptr, nullptr);
  }
  return narrow;
}

}  // namespace pixoria::platform::win32
