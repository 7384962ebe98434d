// Counts what an X server shows in a rectangle of its root window, for checking from outside
// that a tray drew an icon. Keeps Xlib out of the test's own source (its macros clash with
// GoogleTest's).
#pragma once

#include <string>

namespace pixoria::test {

struct Shade {
  int r = 0;
  int g = 0;
  int b = 0;
};

// How many pixels of the root window's rectangle lie within `tolerance` of `shade` in every
// channel (24-bit TrueColor); -1 when the display or the rectangle cannot be read.
int countPixelsNear(const std::string& display, int x, int y, int width, int height, Shade shade,
                    int tolerance);

}  // namespace pixoria::test
