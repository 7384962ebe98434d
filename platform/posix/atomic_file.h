// Replacing a file so that a reader sees the old content or the new, never a mix or a stub.
#pragma once

#include <string>
#include <string_view>

namespace pixoria::platform::posix {

// Writes `content` to a temporary file in the same folder, flushes it to disk, renames it over
// `path` and flushes the folder. The file gets `mode`. On failure `path` is left as it was.
bool replaceFileAtomically(const std::string& path, std::string_view content, unsigned mode);

}  // namespace pixoria::platform::posix
