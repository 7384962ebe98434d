// Screen metrics on user32.
#include "pixoria/platform/screen.h"

#include <windows.h>

namespace pixoria::platform {

int getSystemMetrics(SystemMetric metric) {
  return GetSystemMetrics(static_cast<int>(metric));
}

}  // namespace pixoria::platform
