// The monitors of the headless desktop, written as "1920x1080,1280x1024" (first is primary).
#pragma once

#include <string_view>
#include <vector>

#include "desktop_backend.h"

namespace pixoria::platform {

// Sizes are 1..kMaxScreenSide pixels a side, at most kMaxScreens monitors, items separated by
// commas with optional spaces around them. False (and `screens` untouched) for anything else.
inline constexpr int kMaxScreenSide = 32767;  // the X11 coordinate limit
inline constexpr std::size_t kMaxScreens = 64;
bool parseScreenList(std::string_view text, std::vector<MonitorSize>& screens);

// PIXORIA_SCREENS, or one 1920x1080 monitor when it is unset; a malformed value is reported on
// standard error and the default used.
std::vector<MonitorSize> headlessScreensFromEnvironment();

}  // namespace pixoria::platform
