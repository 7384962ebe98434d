// Writing a file beside its destination and moving it over the destination in one step, so that
// readers see the old content or the new one, never a part.
#pragma once

#include <string>

namespace pixoria::platform::win32 {

// A name in the destination's folder that no other writer of this process or another uses.
std::wstring temporaryPathBeside(const std::wstring& destination);

// Flushes `temporary` to disk and renames it over `destination` (MoveFileExW with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). On failure the temporary is deleted and
// the destination keeps its content.
bool replaceWith(const std::wstring& temporary, const std::wstring& destination);

}  // namespace pixoria::platform::win32
