// Screen metrics: the primary monitor of the desktop backend the session uses.
#include "pixoria/platform/screen.h"

#include "desktop/desktop_backend.h"

namespace pixoria::platform {
namespace {

constexpr int kSmallIconSide = 16;

bool primaryMonitorSize(MonitorSize& size) {
  std::unique_ptr<DesktopBackend> backend;
  return succeeded(createDesktopBackend(backend)) && backend->getPrimaryMonitorSize(size);
}

}  // namespace

int getSystemMetrics(SystemMetric metric) {
  MonitorSize size;
  switch (metric) {
    case SystemMetric::screenWidth:
      return primaryMonitorSize(size) ? size.width : 0;
    case SystemMetric::screenHeight:
      return primaryMonitorSize(size) ? size.height : 0;
    case SystemMetric::smallIconWidth:
    case SystemMetric::smallIconHeight:
      return kSmallIconSide;
  }
  return 0;
}

}  // namespace pixoria::platform
