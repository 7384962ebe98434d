// Known folders and file facts on shell32 and kernel32.
#include "pixoria/platform/folders.h"

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <shlobj.h>

#include <vector>

#include "wide_text.h"

namespace pixoria::platform {

namespace {

using win32::toUtf8;
using win32::toWide;

bool knownFolder(int csidl, std::string& folder) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return false;
  }
  folder = toUtf8(path);
  return true;
}

bool isDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool getAppDataFolder(std::string& folder) {
  return knownFolder(CSIDL_APPDATA, folder);
}

bool getPicturesFolder(std::string& folder) {
  return knownFolder(CSIDL_MYPICTURES, folder);
}

bool getCurrentDirectory(std::string& folder) {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  if (size == 0) {
    return false;
  }
  std::wstring path(size, L'\0');
  const DWORD length = GetCurrentDirectoryW(size, path.data());
  if (length == 0 || length >= size) {
    return false;
  }
  path.resize(length);
  folder = toUtf8(path);
  return true;
}

bool getExecutableFolder(std::string& folder) {
  // Long paths are possible: grow the buffer until the name fits.
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      return false;
    }
    if (length < path.size()) {
      std::wstring file(path.data(), length);
      const std::size_t separator = file.find_last_of(L"\\/");
      if (separator == std::wstring::npos) {
        return false;
      }
      folder = toUtf8(file.substr(0, separator));
      return true;
    }
    if (path.size() >= 32768) {
      return false;
    }
    path.resize(path.size() * 2);
  }
}

bool fileExists(std::string_view path) {
  WIN32_FIND_DATAW found{};
  const HANDLE find = FindFirstFileW(toWide(path).c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) {
    return false;
  }
  FindClose(find);
  return true;
}

bool createDirectories(std::string_view folder) {
  const std::wstring path = toWide(folder);
  if (path.empty()) {
    return false;
  }
  SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
  return isDirectory(path);
}

}  // namespace pixoria::platform
