// The readers' view of the hive, parsed once per version of the file.
#pragma once

#include <memory>
#include <string>

#include "registry/hive_document.h"

namespace pixoria::platform::hive {

// The keys and values in the hive file now. A missing, unreadable, oversized or foreign file
// reads as an empty hive. Safe to call from several threads.
std::shared_ptr<const HiveSnapshot> currentHive();

// Takes the version a writer of this process has just put in place, under the writers' lock,
// as the cached one: a program writing a long list in a row then parses each version once.
void rememberWrittenHive(const std::string& path, const HiveDocument& document, std::string bytes);

}  // namespace pixoria::platform::hive
