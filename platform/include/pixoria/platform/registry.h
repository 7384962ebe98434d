// The per-user registry (HKEY_CURRENT_USER only), after advapi32's Reg* calls.
//
// Subkeys are written as on Windows, with backslashes ("Software\\Corvane Pixoria"). Strings are
// UTF-8. Every call returns a Win32 error code; kErrorSuccess means success.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pixoria/platform/results.h"

namespace pixoria::platform {

// An open key under HKEY_CURRENT_USER (HKEY). Null stands for HKEY_CURRENT_USER itself.
struct RegistryKey;
using RegKey = RegistryKey*;

// RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, KEY_READ): fails with kErrorFileNotFound when the
// key does not exist.
ErrorCode regOpenKey(std::string_view subKey, RegKey& key);

// RegCreateKeyExW(HKEY_CURRENT_USER, subKey, ..., REG_OPTION_NON_VOLATILE, KEY_WRITE): opens the
// key, creating it when missing.
ErrorCode regCreateKey(std::string_view subKey, RegKey& key);

// RegCloseKey. Closing null does nothing.
void regCloseKey(RegKey key);

// RegGetValueW(key, subKey, valueName, RRF_RT_REG_DWORD, ...): a value of another type fails with
// kErrorUnsupportedType and leaves `value` untouched; so does every other failure.
ErrorCode regGetDword(RegKey key, std::string_view subKey, std::string_view valueName,
                      std::uint32_t& value);

// RegGetValueW(key, subKey, valueName, RRF_RT_REG_SZ, ...): as above for a string value.
ErrorCode regGetString(RegKey key, std::string_view subKey, std::string_view valueName,
                       std::string& value);

// RegSetValueExW with REG_DWORD, 4 bytes, on a key opened by regCreateKey.
ErrorCode regSetDword(RegKey key, std::string_view valueName, std::uint32_t value);

// RegSetValueExW with REG_SZ, on a key opened by regCreateKey.
ErrorCode regSetString(RegKey key, std::string_view valueName, std::string_view value);

// RegDeleteValueW, on a key opened by regCreateKey. Deleting an absent value fails with
// kErrorFileNotFound.
ErrorCode regDeleteValue(RegKey key, std::string_view valueName);

}  // namespace pixoria::platform
