// The readers' view of the hive, parsed once per version of the file.
#pragma once

#include <memory>

#include "registry/hive_document.h"

namespace pixoria::platform::hive {

// The keys and values in the hive file now. A missing, unreadable, oversized or foreign file
// reads as an empty hive. Safe to call from several threads.
std::shared_ptr<const HiveSnapshot> currentHive();

}  // namespace pixoria::platform::hive
