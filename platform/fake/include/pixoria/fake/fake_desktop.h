// Control of the fake desktop: monitors, a record of every call, failures on demand; and the
// screen size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pixoria/platform/results.h"

namespace pixoria::fake {

struct DesktopCall {
  std::string what;  // "set", "position" or "fallback"
  std::string monitorId;
  std::string path;  // for "set"; the position number for "position"
};

struct DesktopFailures {
  platform::HResult coInitialize = platform::kOk;
  platform::HResult create = platform::kOk;
  platform::HResult count = platform::kOk;
  std::optional<std::uint32_t> pathFailsAt;  // monitor whose id cannot be had
  std::optional<std::uint32_t> setFailsAt;   // monitor whose wallpaper cannot be set
  platform::HResult position = platform::kOk;
};

// Forgets the calls and failures; one monitor "MONITOR-0"; a 1920x1080 screen.
void desktopReset();
void setMonitors(std::vector<std::string> monitorIds);
void setDesktopFailures(const DesktopFailures& failures);
const std::vector<DesktopCall>& desktopCalls();
void clearDesktopCalls();

// How many desktop objects are alive, and how balanced the COM calls are (for leak checks).
int liveDesktopObjects();
int comInitializations();

void setScreenSize(int width, int height);

}  // namespace pixoria::fake
