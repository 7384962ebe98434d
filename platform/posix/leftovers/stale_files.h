// Recognising the temporary files our writers make, and removing those a crash left in a folder.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace pixoria::platform::posix {

// True when `name` is `prefix` followed by the six letters and digits mkstemp puts in place of
// its XXXXXX.
bool isTemporaryName(std::string_view name, std::string_view prefix);

// The same, leaving out suffixes that read like a person's choice ("backup", "before",
// "240101"): all lower-case letters or all digits. mkstemp makes such a suffix about once in two
// hundred times, and that leftover stays; a user's copy of a file named so is never removed.
bool isTemporaryNameNotAWord(std::string_view name, std::string_view prefix);

// Removes the regular files in `folder` whose names `isOurs` takes and that have not been
// modified for `age` (a file dated in the future is kept: the clock may have stepped back); an
// age of zero takes them whatever their time.
// Symbolic links, folders and everything else stay. Each removal gets a diagnostic line.
void removeStaleFiles(const std::string& folder,
                      const std::function<bool(std::string_view name)>& isOurs,
                      std::chrono::seconds age);

}  // namespace pixoria::platform::posix
