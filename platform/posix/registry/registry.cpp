// HKEY_CURRENT_USER on Linux: the hive file, read through a cache and changed under a lock.
#include "pixoria/platform/registry.h"

#include <exception>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "registry/hive_document.h"
#include "registry/hive_reader.h"
#include "registry/hive_update.h"
#include "registry/hive_writer.h"

namespace pixoria::platform {

struct RegistryKey {
  std::string path;  // as the caller spelled it, below HKEY_CURRENT_USER
  bool writable = false;
};

namespace {

constexpr ErrorCode kErrorOutOfMemory = 14;  // ERROR_OUTOFMEMORY

std::string joinPath(RegKey key, std::string_view subKey) {
  std::string path = key ? key->path : std::string();
  if (!subKey.empty()) {
    if (!path.empty()) {
      path += '\\';
    }
    path += subKey;
  }
  return path;
}

// Nothing in here may throw across the platform layer.
template <typename Operation>
ErrorCode guarded(Operation&& operation) {
  try {
    return operation();
  } catch (const std::bad_alloc&) {
    return kErrorOutOfMemory;
  } catch (const std::exception&) {
    return kErrorInvalidData;
  }
}

ErrorCode openKey(std::string_view subKey, RegKey& key, bool create) {
  key = nullptr;
  if (!hive::isWritableName(subKey)) {
    return kErrorInvalidParameter;
  }
  const std::string path(subKey);
  if (!hive::currentHive()->hasKey(hive::normalizeKeyPath(path))) {
    if (!create) {
      return kErrorFileNotFound;
    }
    const ErrorCode created = hive::updateHive([&path](hive::HiveDocument& document) {
      hive::createKey(document, path);
      return kErrorSuccess;
    });
    if (created != kErrorSuccess) {
      return created;
    }
  }
  key = new RegistryKey{path, create};
  return kErrorSuccess;
}

// The value a reader sees, or the error RegGetValueW gives for it.
template <typename Store>
ErrorCode getValue(RegKey key, std::string_view subKey, std::string_view valueName,
                   hive::ValueType type, Store&& store) {
  const std::string path = hive::normalizeKeyPath(joinPath(key, subKey));
  const auto snapshot = hive::currentHive();
  if (!snapshot->hasKey(path)) {
    return kErrorFileNotFound;
  }
  const hive::HiveValue* value = snapshot->findValue(path, valueName);
  if (!value) {
    return kErrorFileNotFound;
  }
  if (value->type != type) {
    return kErrorUnsupportedType;
  }
  store(*value);
  return kErrorSuccess;
}

ErrorCode setValue(RegKey key, std::string_view valueName, const hive::HiveValue& value) {
  if (key && !key->writable) {
    return kErrorAccessDenied;
  }
  if (!hive::isWritableName(valueName)) {
    return kErrorInvalidParameter;
  }
  const std::string path = joinPath(key, {});
  return hive::updateHive([&](hive::HiveDocument& document) {
    hive::setValue(document, path, valueName, value);
    return kErrorSuccess;
  });
}

std::vector<hive::ValueChange> toHiveChanges(const RegValueBatch& batch) {
  std::vector<hive::ValueChange> changes;
  changes.reserve(batch.changes().size());
  for (const RegValueChange& change : batch.changes()) {
    switch (change.kind) {
      case RegValueChange::Kind::setDword:
        changes.push_back(
            {change.name, hive::HiveValue{hive::ValueType::kDword, change.dword, {}}});
        break;
      case RegValueChange::Kind::setString:
        changes.push_back({change.name, hive::HiveValue{hive::ValueType::kString, 0, change.text}});
        break;
      case RegValueChange::Kind::deleteValue:
        changes.push_back({change.name, std::nullopt});
        break;
    }
  }
  return changes;
}

ErrorCode setValues(RegKey key, const RegValueBatch& batch) {
  if (key && !key->writable) {
    return kErrorAccessDenied;
  }
  for (const RegValueChange& change : batch.changes()) {
    if (!hive::isWritableName(change.name)) {
      return kErrorInvalidParameter;
    }
  }
  if (batch.empty()) {
    return kErrorSuccess;
  }
  const std::string path = joinPath(key, {});
  const std::vector<hive::ValueChange> changes = toHiveChanges(batch);
  return hive::updateHive([&](hive::HiveDocument& document) {
    hive::applyChanges(document, path, changes);
    return kErrorSuccess;
  });
}

}  // namespace

ErrorCode regOpenKey(std::string_view subKey, RegKey& key) {
  return guarded([&] { return openKey(subKey, key, false); });
}

ErrorCode regCreateKey(std::string_view subKey, RegKey& key) {
  return guarded([&] { return openKey(subKey, key, true); });
}

void regCloseKey(RegKey key) {
  delete key;
}

ErrorCode regGetDword(RegKey key, std::string_view subKey, std::string_view valueName,
                      std::uint32_t& value) {
  return guarded([&] {
    return getValue(key, subKey, valueName, hive::ValueType::kDword,
                    [&value](const hive::HiveValue& found) { value = found.dword; });
  });
}

ErrorCode regGetString(RegKey key, std::string_view subKey, std::string_view valueName,
                       std::string& value) {
  return guarded([&] {
    return getValue(key, subKey, valueName, hive::ValueType::kString,
                    [&value](const hive::HiveValue& found) { value = found.text; });
  });
}

ErrorCode regSetDword(RegKey key, std::string_view valueName, std::uint32_t value) {
  return guarded([&] { return setValue(key, valueName, {hive::ValueType::kDword, value, {}}); });
}

ErrorCode regSetString(RegKey key, std::string_view valueName, std::string_view value) {
  return guarded([&] {
    return setValue(key, valueName, {hive::ValueType::kString, 0, std::string(value)});
  });
}

ErrorCode regDeleteValue(RegKey key, std::string_view valueName) {
  return guarded([&] {
    if (key && !key->writable) {
      return kErrorAccessDenied;
    }
    const std::string path = joinPath(key, {});
    return hive::updateHive([&](hive::HiveDocument& document) {
      return hive::deleteValue(document, path, valueName) ? kErrorSuccess : kErrorFileNotFound;
    });
  });
}

ErrorCode regSetMultipleValues(RegKey key, const RegValueBatch& batch) {
  return guarded([&] { return setValues(key, batch); });
}

}  // namespace pixoria::platform
