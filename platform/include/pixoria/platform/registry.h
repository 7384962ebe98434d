// The per-user registry (HKEY_CURRENT_USER only), after advapi32's Reg* calls.
//
// Subkeys are written as on Windows, with backslashes ("Software\\Corvane Pixoria"). Strings are
// UTF-8. Every call returns a Win32 error code; kErrorSuccess means success.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// One change in a batch for regSetMultipleValues: a REG_DWORD or REG_SZ to set, or a value to
// delete.
struct RegValueChange {
  enum class Kind { setDword, setString, deleteValue };
  Kind kind = Kind::setDword;
  std::string name;
  std::uint32_t dword = 0;
  std::string text;
};

// The changes of one save, in the order a series of RegSetValueExW and RegDeleteValueW calls
// would make them.
class RegValueBatch {
 public:
  void setDword(std::string_view name, std::uint32_t value) {
    changes_.push_back({RegValueChange::Kind::setDword, std::string(name), value, {}});
  }
  void setString(std::string_view name, std::string_view value) {
    changes_.push_back({RegValueChange::Kind::setString, std::string(name), 0, std::string(value)});
  }
  // Deleting a value that is absent is no failure in a batch: the value ends up absent.
  void deleteValue(std::string_view name) {
    changes_.push_back({RegValueChange::Kind::deleteValue, std::string(name), 0, {}});
  }
  // Adds the changes of `other` after these.
  void append(const RegValueBatch& other) {
    changes_.insert(changes_.end(), other.changes_.begin(), other.changes_.end());
  }
  const std::vector<RegValueChange>& changes() const { return changes_; }
  bool empty() const { return changes_.empty(); }

 private:
  std::vector<RegValueChange> changes_;
};

// The batch's changes on a key opened by regCreateKey, as one update where the system can make
// one. Linux: one lock, one read and one atomic replacement of the hive, so a reader sees all of
// the changes or none, and a failure (kErrorAccessDenied, kErrorDiskFull, kErrorWriteProtect, or
// kErrorFileTooLarge for a hive the readers would refuse) leaves the hive as it was. Windows: the
// RegSetValueExW and RegDeleteValueW calls in order, stopping at the first failure; a reader may
// see the first changes before the last.
ErrorCode regSetMultipleValues(RegKey key, const RegValueBatch& batch);

// The batch as the single-value calls above, in order, stopping at the first failure; deleting
// an absent value counts as done. What regSetMultipleValues is where the store has no batch of
// its own (Windows' registry, the fake).
inline ErrorCode regSetValuesOneByOne(RegKey key, const RegValueBatch& batch) {
  for (const RegValueChange& change : batch.changes()) {
    ErrorCode result = kErrorSuccess;
    switch (change.kind) {
      case RegValueChange::Kind::setDword:
        result = regSetDword(key, change.name, change.dword);
        break;
      case RegValueChange::Kind::setString:
        result = regSetString(key, change.name, change.text);
        break;
      case RegValueChange::Kind::deleteValue:
        result = regDeleteValue(key, change.name);
        result = result == kErrorFileNotFound ? kErrorSuccess : result;
        break;
    }
    if (result != kErrorSuccess) {
      return result;
    }
  }
  return kErrorSuccess;
}

}  // namespace pixoria::platform
