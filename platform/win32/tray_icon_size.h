// The size at which the notification icon is loaded: the small-icon size of the DPI the icon is
// shown at, so that the shell never stretches it (a per-monitor aware process is told the real
// DPI, 144 at 150 %, where the small icon is 24 pixels, not 16).
#pragma once

#include <windows.h>

namespace pixoria::platform::win32 {

// The DPI of `window`'s monitor: GetDpiForWindow, else GetDpiForSystem, else the screen's
// LOGPIXELSX (Windows before 10 1607 has neither call; both are looked up in user32 at run time).
UINT dpiOfWindow(HWND window);

// SM_CXSMICON by SM_CYSMICON at `dpi`: GetSystemMetricsForDpi where user32 has it, else
// GetSystemMetrics (which for a system-aware process is already at the system's DPI).
SIZE smallIconSize(UINT dpi);

}  // namespace pixoria::platform::win32
