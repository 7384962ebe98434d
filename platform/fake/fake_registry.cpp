// An in-memory HKEY_CURRENT_USER with the Windows registry's typing and case rules.
#include "pixoria/fake/fake_registry.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <variant>

#include "pixoria/platform/registry.h"

namespace pixoria::platform {

struct RegistryKey {
  std::string path;
};

}  // namespace pixoria::platform

namespace pixoria::fake {
namespace {

namespace pf = platform;

using Value = std::variant<std::uint32_t, std::string>;
using Values = std::map<std::string, Value>;

struct FakeRegistry {
  std::map<std::string, Values> keys;
  std::vector<std::string> reads;
  std::vector<std::string> writes;
  bool failCreate = false;
  std::function<void(std::string_view)> afterRead;
};

FakeRegistry& registry() {
  static FakeRegistry instance;
  return instance;
}

std::string folded(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return result;
}

std::string keyPath(pf::RegKey key, std::string_view subKey) {
  std::string path = key != nullptr ? key->path : std::string();
  if (!subKey.empty()) {
    path += path.empty() ? "" : "\\";
    path += folded(subKey);
  }
  return path;
}

const Value* findValue(pf::RegKey key, std::string_view subKey, std::string_view name) {
  const auto found = registry().keys.find(keyPath(key, subKey));
  if (found == registry().keys.end()) {
    return nullptr;
  }
  const auto value = found->second.find(folded(name));
  return value == found->second.end() ? nullptr : &value->second;
}

template <typename T>
pf::ErrorCode readValue(pf::RegKey key, std::string_view subKey, std::string_view name, T& out) {
  const Value* value = findValue(key, subKey, name);
  if (value == nullptr) {
    return pf::kErrorFileNotFound;
  }
  if (!std::holds_alternative<T>(*value)) {
    return pf::kErrorUnsupportedType;
  }
  out = std::get<T>(*value);
  return pf::kErrorSuccess;
}

template <typename T>
pf::ErrorCode getValue(pf::RegKey key, std::string_view subKey, std::string_view name, T& out) {
  registry().reads.emplace_back(name);
  const pf::ErrorCode result = readValue(key, subKey, name, out);
  if (registry().afterRead) {
    // A copy: the hook may replace itself.
    const auto hook = registry().afterRead;
    hook(name);
  }
  return result;
}

}  // namespace

void registryClear() {
  registry() = FakeRegistry{};
}

void registrySetDword(std::string_view subKey, std::string_view name, std::uint32_t value) {
  registry().keys[folded(subKey)][folded(name)] = value;
}

void registrySetString(std::string_view subKey, std::string_view name, std::string_view value) {
  registry().keys[folded(subKey)][folded(name)] = std::string(value);
}

std::optional<std::uint32_t> registryDword(std::string_view subKey, std::string_view name) {
  const pf::RegistryKey key{folded(subKey)};
  const Value* value = findValue(const_cast<pf::RegKey>(&key), {}, name);
  if (value == nullptr || !std::holds_alternative<std::uint32_t>(*value)) {
    return std::nullopt;
  }
  return std::get<std::uint32_t>(*value);
}

std::optional<std::string> registryString(std::string_view subKey, std::string_view name) {
  const pf::RegistryKey key{folded(subKey)};
  const Value* value = findValue(const_cast<pf::RegKey>(&key), {}, name);
  if (value == nullptr || !std::holds_alternative<std::string>(*value)) {
    return std::nullopt;
  }
  return std::get<std::string>(*value);
}

const std::vector<std::string>& registryReads() {
  return registry().reads;
}
const std::vector<std::string>& registryWrites() {
  return registry().writes;
}

void registryClearLog() {
  registry().reads.clear();
  registry().writes.clear();
}

void registryAfterRead(std::function<void(std::string_view name)> hook) {
  registry().afterRead = std::move(hook);
}

void registryFailCreate(bool fail) {
  registry().failCreate = fail;
}

}  // namespace pixoria::fake

namespace pixoria::platform {

using fake::folded;
using fake::registry;

ErrorCode regOpenKey(std::string_view subKey, RegKey& key) {
  const std::string path = folded(subKey);
  if (registry().keys.count(path) == 0) {
    return kErrorFileNotFound;
  }
  key = new RegistryKey{path};
  return kErrorSuccess;
}

ErrorCode regCreateKey(std::string_view subKey, RegKey& key) {
  if (registry().failCreate) {
    return kErrorAccessDenied;
  }
  const std::string path = folded(subKey);
  registry().keys[path];
  key = new RegistryKey{path};
  return kErrorSuccess;
}

void regCloseKey(RegKey key) {
  delete key;
}

ErrorCode regGetDword(RegKey key, std::string_view subKey, std::string_view valueName,
                      std::uint32_t& value) {
  return fake::getValue(key, subKey, valueName, value);
}

ErrorCode regGetString(RegKey key, std::string_view subKey, std::string_view valueName,
                       std::string& value) {
  return fake::getValue(key, subKey, valueName, value);
}

ErrorCode regSetDword(RegKey key, std::string_view valueName, std::uint32_t value) {
  if (key == nullptr) {
    return kErrorInvalidHandle;
  }
  registry().writes.emplace_back(valueName);
  registry().keys[key->path][folded(valueName)] = value;
  return kErrorSuccess;
}

ErrorCode regSetString(RegKey key, std::string_view valueName, std::string_view value) {
  if (key == nullptr) {
    return kErrorInvalidHandle;
  }
  registry().writes.emplace_back(valueName);
  registry().keys[key->path][folded(valueName)] = std::string(value);
  return kErrorSuccess;
}

ErrorCode regDeleteValue(RegKey key, std::string_view valueName) {
  if (key == nullptr) {
    return kErrorInvalidHandle;
  }
  return registry().keys[key->path].erase(folded(valueName)) == 1 ? kErrorSuccess
                                                                  : kErrorFileNotFound;
}

ErrorCode regSetMultipleValues(RegKey key, const RegValueBatch& batch) {
  return regSetValuesOneByOne(key, batch);
}

}  // namespace pixoria::platform
