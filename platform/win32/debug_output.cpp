// The debugger output and the console streams, written as wide text.
#include "pixoria/platform/debug_output.h"

#include <windows.h>

#include <climits>

#include "wide_text.h"

namespace pixoria::platform {

namespace {

// A console takes UTF-16 through WriteConsoleW; a pipe or file gets the UTF-8 bytes, which is
// what the reading side of a redirection (a test, a log collector) expects.
void writeStream(DWORD which, std::string_view text) {
  const HANDLE stream = GetStdHandle(which);
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE || text.empty() ||
      text.size() > INT_MAX) {
    return;
  }
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(stream, &mode) != FALSE) {
    const std::wstring wide = win32::toWide(text);
    WriteConsoleW(stream, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    WriteFile(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
}

}  // namespace

void outputDebugString(std::string_view text) {
  OutputDebugStringW(win32::toWide(text).c_str());
}

void writeStandardOutput(std::string_view text) {
  writeStream(STD_OUTPUT_HANDLE, text);
}

void writeStandardError(std::string_view text) {
  writeStream(STD_ERROR_HANDLE, text);
}

}  // namespace pixoria::platform
