// The reader's view of the hive: the lines applied in order, as an import applies them, so a
// later line wins and a deleted key takes its subkeys with it.
#include <string>
#include <string_view>

#include "registry/hive_document.h"
#include "registry/hive_encoding.h"

namespace pixoria::platform::hive {

HiveSnapshot::HiveSnapshot(const HiveDocument& document) {
  Values* current = nullptr;
  for (const HiveLine& line : document.lines) {
    switch (line.kind) {
      case LineKind::kSection:
        current = line.key ? &keys_[*line.key] : nullptr;
        break;
      case LineKind::kSectionDeletion:
        current = nullptr;
        if (line.key && !line.key->empty()) {
          // The key and everything below it, which sorts together from "key\".
          keys_.erase(*line.key);
          auto it = keys_.lower_bound(*line.key + '\\');
          while (it != keys_.end() && deletionCovers(*line.key, it->first)) {
            it = keys_.erase(it);
          }
        }
        break;
      case LineKind::kValue:
        if (current) {
          (*current)[foldCase(line.name)] = line.value;
        }
        break;
      case LineKind::kValueDeletion:
        if (current) {
          current->erase(foldCase(line.name));
        }
        break;
      case LineKind::kOther:
        break;
    }
  }
}

bool HiveSnapshot::hasKey(std::string_view normalizedPath) const {
  if (normalizedPath.empty()) {
    return true;  // HKEY_CURRENT_USER itself always exists
  }
  const std::string path(normalizedPath);
  if (keys_.contains(path)) {
    return true;
  }
  const auto below = keys_.lower_bound(path + '\\');
  return below != keys_.end() && deletionCovers(path, below->first);
}

const HiveValue* HiveSnapshot::findValue(std::string_view normalizedPath,
                                         std::string_view name) const {
  const auto key = keys_.find(std::string(normalizedPath));
  if (key == keys_.end()) {
    return nullptr;
  }
  const auto value = key->second.find(foldCase(name));
  return value == key->second.end() ? nullptr : &value->second;
}

}  // namespace pixoria::platform::hive
