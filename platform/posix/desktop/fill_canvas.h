// An image file drawn with fill into a canvas of a monitor's visible part.
#pragma once

#include <string_view>

#include "pixoria/platform/imaging.h"
#include "pixoria/platform/results.h"
#include "x11_monitors.h"

namespace pixoria::platform {

// Decodes `imagePath` and draws it filling `monitor` (root coordinates) into a new canvas that
// covers `visible`, the part of the monitor on the screen. A failure HRESULT when the file cannot
// be read or decoded. The imaging library must be started (gdiplusStartup) by the caller.
HResult drawFillCanvas(std::string_view imagePath, const PixelRect& monitor,
                       const PixelRect& visible, ImagePtr& canvas);

}  // namespace pixoria::platform
