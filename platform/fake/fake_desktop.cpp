// A desktop that records every call and fails on demand; and the screen size.
#include "pixoria/fake/fake_desktop.h"

#include "pixoria/platform/desktop_wallpaper.h"
#include "pixoria/platform/screen.h"

namespace pixoria::fake {
namespace {

namespace pf = platform;

struct FakeDesktop {
  std::vector<std::string> monitors{"MONITOR-0"};
  DesktopFailures failures;
  std::vector<DesktopCall> calls;
  int liveObjects = 0;
  int comInitializations = 0;
  int screenWidth = 1920;
  int screenHeight = 1080;
};

FakeDesktop& desktop() {
  static FakeDesktop instance;
  return instance;
}

class RecordingWallpaper final : public pf::DesktopWallpaper {
 public:
  RecordingWallpaper() { ++desktop().liveObjects; }
  ~RecordingWallpaper() override { --desktop().liveObjects; }

  pf::HResult getMonitorDevicePathCount(std::uint32_t& count) override {
    if (pf::failed(desktop().failures.count)) {
      return desktop().failures.count;
    }
    count = static_cast<std::uint32_t>(desktop().monitors.size());
    return pf::kOk;
  }

  pf::HResult getMonitorDevicePathAt(std::uint32_t index, std::string& monitorId) override {
    if (index >= desktop().monitors.size() || desktop().failures.pathFailsAt == index) {
      return pf::kInvalidArg;
    }
    monitorId = desktop().monitors[index];
    return pf::kOk;
  }

  pf::HResult setWallpaper(std::string_view monitorId, std::string_view imagePath) override {
    for (std::uint32_t index = 0; index < desktop().monitors.size(); ++index) {
      if (desktop().monitors[index] == monitorId) {
        if (desktop().failures.setFailsAt == index) {
          return pf::kFail;
        }
        desktop().calls.push_back({"set", std::string(monitorId), std::string(imagePath)});
        return pf::kOk;
      }
    }
    return pf::kInvalidArg;
  }

  pf::HResult setPosition(pf::WallpaperPosition position) override {
    desktop().calls.push_back({"position", "", std::to_string(static_cast<int>(position))});
    return desktop().failures.position;
  }
};

}  // namespace

void desktopReset() {
  desktop() = FakeDesktop{};
}
void setMonitors(std::vector<std::string> monitorIds) {
  desktop().monitors = std::move(monitorIds);
}
void setDesktopFailures(const DesktopFailures& failures) {
  desktop().failures = failures;
}
const std::vector<DesktopCall>& desktopCalls() {
  return desktop().calls;
}
void clearDesktopCalls() {
  desktop().calls.clear();
}
int liveDesktopObjects() {
  return desktop().liveObjects;
}
int comInitializations() {
  return desktop().comInitializations;
}

void setScreenSize(int width, int height) {
  desktop().screenWidth = width;
  desktop().screenHeight = height;
}

}  // namespace pixoria::fake

namespace pixoria::platform {

using fake::desktop;

HResult coInitialize() {
  if (succeeded(desktop().failures.coInitialize)) {
    ++desktop().comInitializations;
  }
  return desktop().failures.coInitialize;
}

void coUninitialize() {
  --desktop().comInitializations;
}

HResult createDesktopWallpaper(std::unique_ptr<DesktopWallpaper>& wallpaper) {
  if (failed(desktop().failures.create)) {
    return desktop().failures.create;
  }
  wallpaper = std::make_unique<fake::RecordingWallpaper>();
  return kOk;
}

// Recorded as a call "fallback" with the image's path.
bool setWallpaperFallback(std::string_view imagePath) {
  desktop().calls.push_back({"fallback", "", std::string(imagePath)});
  return true;
}

int getSystemMetrics(SystemMetric metric) {
  switch (metric) {
    case SystemMetric::screenWidth:
      return desktop().screenWidth;
    case SystemMetric::screenHeight:
      return desktop().screenHeight;
    case SystemMetric::smallIconWidth:
    case SystemMetric::smallIconHeight:
      return 16;
  }
  return 0;
}

}  // namespace pixoria::platform
