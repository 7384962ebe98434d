// Control of the fake leftovers cleaner: the calls it received, nothing removed.
#pragma once

#include <string>
#include <vector>

namespace pixoria::fake {

struct LeftoversCleanup {
  std::string wallpaperFolder;
  std::string autostartEntryName;
};
const std::vector<LeftoversCleanup>& leftoversCleanups();

void leftoversReset();

}  // namespace pixoria::fake
