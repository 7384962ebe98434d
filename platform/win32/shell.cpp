// Starting programs, the autostart entry and message boxes on shell32, advapi32 and user32.
#include "pixoria/platform/shell.h"

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <shellapi.h>

#include "wide_text.h"

namespace pixoria::platform {

namespace {

using win32::toWide;

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A path with spaces is quoted, so that the shell does not split it at logon.
std::wstring commandLineFor(std::string_view programPath) {
  std::wstring path = toWide(programPath);
  if (path.find(L' ') != std::wstring::npos && path.front() != L'"') {
    path = L'"' + path + L'"';
  }
  return path;
}

}  // namespace

bool shellExecute(std::string_view file, std::string_view workingFolder, ShowMode show) {
  const std::wstring wideFile = toWide(file);
  const std::wstring wideFolder = toWide(workingFolder);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.lpVerb = L"open";
  info.lpFile = wideFile.c_str();
  info.lpDirectory = wideFolder.empty() ? nullptr : wideFolder.c_str();
  info.nShow = static_cast<int>(show);
  return ShellExecuteExW(&info) != FALSE;
}

bool setAutostartEntry(std::string_view name, std::string_view programPath) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::wstring command = commandLineFor(programPath);
  const LSTATUS status = RegSetValueExW(key, toWide(name).c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(command.c_str()),
                                        static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool removeAutostartEntry(std::string_view name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  const LSTATUS status = RegDeleteValueW(key, toWide(name).c_str());
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

int messageBox(std::string_view text, std::string_view title, unsigned flags) {
  return MessageBoxW(nullptr, toWide(text).c_str(), toWide(title).c_str(), flags);
}

}  // namespace pixoria::platform
