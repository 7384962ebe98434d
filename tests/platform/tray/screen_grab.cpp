#include "tray/screen_grab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

namespace pixoria::test {

int countPixelsNear(const std::string& display, int x, int y, int width, int height, Shade shade,
                    int tolerance) {
  Display* connection = XOpenDisplay(display.c_str());
  if (connection == nullptr) {
    return -1;
  }
  XImage* image =
      XGetImage(connection, DefaultRootWindow(connection), x, y, static_cast<unsigned>(width),
                static_cast<unsigned>(height), AllPlanes, ZPixmap);
  int count = image != nullptr ? 0 : -1;
  for (int row = 0; image != nullptr && row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const unsigned long pixel = XGetPixel(image, column, row);
      const int r = static_cast<int>((pixel >> 16) & 0xFF);
      const int g = static_cast<int>((pixel >> 8) & 0xFF);
      const int b = static_cast<int>(pixel & 0xFF);
      if (std::abs(r - shade.r) <= tolerance && std::abs(g - shade.g) <= tolerance &&
          std::abs(b - shade.b) <= tolerance) {
        ++count;
      }
    }
  }
  if (image != nullptr) {
    XDestroyImage(image);
  }
  XCloseDisplay(connection);
  return count;
}

}  // namespace pixoria::test
