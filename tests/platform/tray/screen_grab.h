// What an X server shows in a rectangle of its root window, for checking from outside that a tray
// drew an icon. Keeps Xlib out of the test's own source (its macros clash with GoogleTest's).
#pragma once

#include <string>

#include "desktop/image_pixels.h"

namespace pixoria::test {

// The rectangle's pixels (24-bit TrueColor); false, with `image` empty, when the display or the
// rectangle cannot be read.
bool grabRootWindow(const std::string& display, int x, int y, int width, int height,
                    RgbImage& image);

}  // namespace pixoria::test
