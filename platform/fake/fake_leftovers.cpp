// A leftovers cleaner that records its calls.
#include "pixoria/fake/fake_leftovers.h"

#include "pixoria/platform/leftovers.h"

namespace pixoria::fake {
namespace {

std::vector<LeftoversCleanup>& cleanups() {
  static std::vector<LeftoversCleanup> calls;
  return calls;
}

}  // namespace

const std::vector<LeftoversCleanup>& leftoversCleanups() {
  return cleanups();
}

void leftoversReset() {
  cleanups().clear();
}

}  // namespace pixoria::fake

namespace pixoria::platform {

void removeCrashLeftovers(std::string_view wallpaperFolder, std::string_view autostartEntryName) {
  fake::cleanups().push_back({std::string(wallpaperFolder), std::string(autostartEntryName)});
}

}  // namespace pixoria::platform
