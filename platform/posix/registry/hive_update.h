// Changing the hive file: one writer at a time, and readers see the old file or the new one.
#pragma once

#include <functional>

#include "pixoria/platform/results.h"
#include "registry/hive_document.h"

namespace pixoria::platform::hive {

// Under an exclusive lock beside the hive: reads the current file, lets `change` edit it, and
// replaces the file atomically when the bytes changed. A `change` that returns an error aborts
// with that error and writes nothing. Fails with kErrorAccessDenied when the folder or file
// cannot be written (kErrorDiskFull, kErrorWriteProtect when the disk is full or read-only),
// kErrorInvalidData when the file is too large to be a hive, and kErrorFileTooLarge (said on
// standard error) when the changed file would be; in every case the file is left as it was.
ErrorCode updateHive(const std::function<ErrorCode(HiveDocument&)>& change);

}  // namespace pixoria::platform::hive
