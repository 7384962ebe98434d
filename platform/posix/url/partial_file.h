// A file being written beside its target, which takes the target's place only when complete.
#pragma once

#include <cstddef>
#include <string>

#include "pixoria/platform/files.h"
#include "pixoria/platform/results.h"

namespace pixoria::platform::posix {

class PartialFile {
 public:
  // Creates "<target>.download-XXXXXX" in the target's folder. created() tells whether it could.
  explicit PartialFile(const std::string& targetPath);
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  // kOk, or why the file could not be created (kAccessDenied for a folder we may not write).
  HResult created() const { return createResult_; }
  HResult append(const char* data, std::size_t size);
  // Flushes the data to disk, renames the file over the target and flushes the folder.
  HResult commit();

 private:
  // Removes the partial file unless it was committed.
  FileReplacement file_;
  HResult createResult_ = kFail;
};

}  // namespace pixoria::platform::posix
