// Screen metrics, after user32's GetSystemMetrics.
#pragma once

namespace pixoria::platform {

enum class SystemMetric {
  screenWidth = 0,       // SM_CXSCREEN: the primary screen's width in pixels
  screenHeight = 1,      // SM_CYSCREEN
  smallIconWidth = 49,   // SM_CXSMICON
  smallIconHeight = 50,  // SM_CYSMICON
};

// GetSystemMetrics: 0 when the metric cannot be had.
int getSystemMetrics(SystemMetric metric);

}  // namespace pixoria::platform
