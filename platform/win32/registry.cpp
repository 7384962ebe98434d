// The registry on advapi32: HKEY_CURRENT_USER and the keys opened under it.
#include "pixoria/platform/registry.h"

#include <windows.h>

#include "wide_text.h"

namespace pixoria::platform {

namespace {

using win32::toUtf8;
using win32::toWide;

// A string value longer than this is refused rather than read: the settings hold paths.
constexpr DWORD kMaxStringBytes = 64 * 1024;

HKEY toHkey(RegKey key) {
  return key != nullptr ? reinterpret_cast<HKEY>(key) : HKEY_CURRENT_USER;
}

// RegGetValueW takes null for "no subkey".
const wchar_t* orNull(const std::wstring& text) {
  return text.empty() ? nullptr : text.c_str();
}

}  // namespace

ErrorCode regOpenKey(std::string_view subKey, RegKey& key) {
  HKEY opened = nullptr;
  const LSTATUS status =
      RegOpenKeyExW(HKEY_CURRENT_USER, toWide(subKey).c_str(), 0, KEY_READ, &opened);
  if (status == ERROR_SUCCESS) {
    key = reinterpret_cast<RegKey>(opened);
  }
  return status;
}

ErrorCode regCreateKey(std::string_view subKey, RegKey& key) {
  HKEY created = nullptr;
  const LSTATUS status =
      RegCreateKeyExW(HKEY_CURRENT_USER, toWide(subKey).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &created, nullptr);
  if (status == ERROR_SUCCESS) {
    key = reinterpret_cast<RegKey>(created);
  }
  return status;
}

void regCloseKey(RegKey key) {
  if (key != nullptr) {
    RegCloseKey(reinterpret_cast<HKEY>(key));
  }
}

ErrorCode regGetDword(RegKey key, std::string_view subKey, std::string_view valueName,
                      std::uint32_t& value) {
  const std::wstring wideSubKey = toWide(subKey);
  DWORD read = 0;
  DWORD size = sizeof read;
  const LSTATUS status = RegGetValueW(toHkey(key), orNull(wideSubKey), toWide(valueName).c_str(),
                                      RRF_RT_REG_DWORD, nullptr, &read, &size);
  if (status == ERROR_SUCCESS) {
    value = read;
  }
  return status;
}

ErrorCode regGetString(RegKey key, std::string_view subKey, std::string_view valueName,
                       std::string& value) {
  const std::wstring wideSubKey = toWide(subKey);
  const std::wstring wideName = toWide(valueName);
  DWORD size = 0;
  LSTATUS status = RegGetValueW(toHkey(key), orNull(wideSubKey), wideName.c_str(), RRF_RT_REG_SZ,
                                nullptr, nullptr, &size);
  if (status != ERROR_SUCCESS) {
    return status;
  }
  if (size > kMaxStringBytes) {
    return ERROR_MORE_DATA;
  }
  std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  status = RegGetValueW(toHkey(key), orNull(wideSubKey), wideName.c_str(), RRF_RT_REG_SZ, nullptr,
                        buffer.data(), &size);
  if (status == ERROR_SUCCESS) {
    value = toUtf8(buffer.c_str());  // up to the terminator RegGetValueW guarantees
  }
  return status;
}

ErrorCode regSetDword(RegKey key, std::string_view valueName, std::uint32_t value) {
  const DWORD data = value;
  return RegSetValueExW(toHkey(key), toWide(valueName).c_str(), 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&data), sizeof data);
}

ErrorCode regSetString(RegKey key, std::string_view valueName, std::string_view value) {
  const std::wstring wide = toWide(value);
  const DWORD bytes = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(toHkey(key), toWide(valueName).c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(wide.c_str()), bytes);
}

ErrorCode regDeleteValue(RegKey key, std::string_view valueName) {
  return RegDeleteValueW(toHkey(key), toWide(valueName).c_str());
}

ErrorCode regSetMultipleValues(RegKey key, const RegValueBatch& batch) {
  return regSetValuesOneByOne(key, batch);
}

}  // namespace pixoria::platform
