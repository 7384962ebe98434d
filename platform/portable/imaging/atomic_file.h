// Replaces a file atomically: the content goes to a temporary file in the same folder, is synced,
// and is renamed over the destination. Until then the destination keeps its old bytes.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace pixoria::platform::imaging {

// Calls `write` with a stream on the temporary file; a false from it, or any I/O failure, leaves
// the destination untouched and removes the temporary file. A missing folder is a failure.
bool replaceFileAtomically(const std::string& path, const std::function<bool(std::FILE*)>& write);

}  // namespace pixoria::platform::imaging
