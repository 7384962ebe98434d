// Changes to a parsed hive. Each changes one thing and keeps every other line byte for byte:
// comments, blank lines, unknown types, other keys and lines nobody can read.
#pragma once

#include <string>
#include <string_view>

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

// Appends an empty section for the key when it does not exist yet.
void createKey(HiveDocument& document, std::string_view keyPath);

}  // namespace pixoria::platform::hive
