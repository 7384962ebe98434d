// The Windows programs keep their settings in the registry and leave downloads to urlmon; what
// they replace in place goes through temporaryPathBeside, whose leftovers are not swept yet.
#include "pixoria/platform/leftovers.h"

namespace pixoria::platform {

void removeCrashLeftovers(std::string_view, std::string_view) {}

}  // namespace pixoria::platform
