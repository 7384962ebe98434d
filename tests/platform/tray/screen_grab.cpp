#include "tray/screen_grab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstddef>
#include <cstdint>

namespace pixoria::test {

bool grabRootWindow(const std::string& display, int x, int y, int width, int height,
                    RgbImage& image) {
  image = {};
  Display* connection = XOpenDisplay(display.c_str());
  if (connection == nullptr) {
    return false;
  }
  XImage* grabbed =
      XGetImage(connection, DefaultRootWindow(connection), x, y, static_cast<unsigned>(width),
                static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (grabbed != nullptr) {
    image.width = width;
    image.height = height;
    image.pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (int row = 0; row < height; ++row) {
      for (int column = 0; column < width; ++column) {
        const unsigned long pixel = XGetPixel(grabbed, column, row);
        image.pixels.push_back(static_cast<std::uint8_t>((pixel >> 16) & 0xFF));
        image.pixels.push_back(static_cast<std::uint8_t>((pixel >> 8) & 0xFF));
        image.pixels.push_back(static_cast<std::uint8_t>(pixel & 0xFF));
      }
    }
    XDestroyImage(grabbed);
  }
  XCloseDisplay(connection);
  return grabbed != nullptr;
}

}  // namespace pixoria::test
