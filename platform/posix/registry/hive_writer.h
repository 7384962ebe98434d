// Changes to a parsed hive. Each changes one thing and keeps every other line byte for byte:
// comments, blank lines, unknown types, other keys and lines nobody can read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/hive_document.h"

namespace pixoria::platform::hive {

// Names and key paths are written on one line; line breaks and NULs cannot be.
bool isWritableName(std::string_view name);

// `"name"=data` (or `@=data` for the unnamed value), ending in LF.
std::string formatValueLine(std::string_view name, const HiveValue& value);

// Replaces the assignment a reader would see, or appends one at the end of the key's section,
// or appends the section at the end of the file. `keyPath` is spelled as the caller gave it.
void setValue(HiveDocument& document, std::string_view keyPath, std::string_view name,
              const HiveValue& value);

// Removes the value; false (and no change) when a reader would not see it.
bool deleteValue(HiveDocument& document, std::string_view keyPath, std::string_view name);

// One change of applyChanges: the value to set, or none to delete the value.
struct ValueChange {
  std::string name;
  std::optional<HiveValue> value;
};

// What setValue and deleteValue would make of the changes one after the other (a deletion of an
// absent value changes nothing), in one pass over the document: a long list costs the time of one
// value, not of one value per entry.
void applyChanges(HiveDocument& document, std::string_view keyPath,
                  const std::vector<ValueChange>& changes);

// Appends an empty section for the key when it does not exist yet.
void createKey(HiveDocument& document, std::string_view keyPath);

}  // namespace pixoria::platform::hive
