// removeCrashLeftovers on Windows. The settings live in the registry and the autostart entry is a
// registry value, so only the wallpaper folder gets temporaries: "<file>.part-<pid>-<n>" of the
// downloads and fitted images (the files service, files.cpp; a download's is up to 256 MiB) and the
// application's ".temp_image2.jpg.XXXXXX". They go by the rules of the Linux sweep
// (platform/posix/leftovers/README.md): plain files only, once not modified for longer than any
// write of ours takes, never one dated in the future. Paths stay wide from end to end.
#include "pixoria/platform/leftovers.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "pixoria/platform/debug_output.h"
#include "pixoria/platform/url.h"
#include "wide_text.h"

namespace pixoria::platform {
namespace {

// FILETIME counts 100 ns. Both programs write into the folder without a lock, so a temporary is
// a leftover only when older than the longest write of ours, an image download's deadline.
constexpr ULONGLONG kTicksPerSecond = 10'000'000;
constexpr ULONGLONG kLongestWrite = ULONGLONG{kImageDeadlineSeconds} * kTicksPerSecond;
constexpr std::size_t kTemporarySuffixLength = 6;

bool isDigits(std::wstring_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// "<file>.part-<pid>-<n>", <file> not empty.
bool isPartFile(std::wstring_view name) {
  constexpr std::wstring_view kPart = L".part-";
  const std::size_t part = name.rfind(kPart);
  if (part == std::wstring_view::npos || part == 0) {
    return false;
  }
  const std::wstring_view numbers = name.substr(part + kPart.size());
  const std::size_t dash = numbers.find(L'-');
  return dash != std::wstring_view::npos && isDigits(numbers.substr(0, dash)) &&
         isDigits(numbers.substr(dash + 1));
}

// The application's Set fits into a fresh name QTemporaryFile makes: ".temp_image2.jpg.XXXXXX".
bool isFittingTemporaryOfTheApp(std::wstring_view name) {
  constexpr std::wstring_view kPrefix = L".temp_image2.jpg.";
  if (name.size() != kPrefix.size() + kTemporarySuffixLength || !name.starts_with(kPrefix)) {
    return false;
  }
  const std::wstring_view suffix = name.substr(kPrefix.size());
  return std::all_of(suffix.begin(), suffix.end(), [](wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9');
  });
}

ULONGLONG ticksOf(const FILETIME& time) {
  return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

bool isLeftover(const WIN32_FIND_DATAW& entry, ULONGLONG now) {
  constexpr DWORD kNotAPlainFile =
      FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  const std::wstring_view name = entry.cFileName;
  const ULONGLONG written = ticksOf(entry.ftLastWriteTime);
  return (entry.dwFileAttributes & kNotAPlainFile) == 0 &&
         (isPartFile(name) || isFittingTemporaryOfTheApp(name)) && written <= now &&
         now - written > kLongestWrite;
}

}  // namespace

void removeCrashLeftovers(std::string_view wallpaperFolder, std::string_view) {
  if (wallpaperFolder.empty()) {
    return;
  }
  std::wstring folder = win32::toWide(wallpaperFolder);
  if (folder.back() != L'\\' && folder.back() != L'/') {
    folder += L'\\';
  }
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileExW((folder + L'*').c_str(), FindExInfoBasic, &entry,
                                         FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) {
    return;
  }
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  do {
    if (!isLeftover(entry, ticksOf(now))) {
      continue;
    }
    const std::wstring path = folder + entry.cFileName;
    if (DeleteFileW(path.c_str())) {
      outputDebugString("Removed " + win32::toUtf8(path) +
                        ", left by a write that never finished\n");
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
}

}  // namespace pixoria::platform
