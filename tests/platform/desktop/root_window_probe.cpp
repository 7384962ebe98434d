#include "root_window_probe.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace pixoria::test {
namespace {

Display* asDisplay(void* display) {
  return static_cast<Display*>(display);
}

int ignoreError(Display*, XErrorEvent*) {
  return 0;
}

}  // namespace

RootWindowProbe::RootWindowProbe(const std::string& display)
    : display_(XOpenDisplay(display.c_str())), displayName_(display) {}

RootWindowProbe::~RootWindowProbe() {
  if (display_ != nullptr) {
    XCloseDisplay(asDisplay(display_));
  }
}

Colour RootWindowProbe::pixelAt(int x, int y) {
  Display* display = asDisplay(display_);
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) {
    return {-1, -1, -1};
  }
  const unsigned long pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
          static_cast<int>(pixel & 0xFF)};
}

unsigned long RootWindowProbe::pixmapProperty(const char* name) {
  Display* display = asDisplay(display_);
  const Atom property = XInternAtom(display, name, False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  unsigned long pixmap = None;
  if (XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1, False, XA_PIXMAP,
                         &type, &format, &count, &remaining, &data) == Success &&
      data != nullptr && count == 1) {
    pixmap = *reinterpret_cast<const unsigned long*>(data);
  }
  if (data != nullptr) {
    XFree(data);
  }
  return pixmap;
}

bool RootWindowProbe::pixmapExists(unsigned long pixmap) {
  Display* display = asDisplay(display_);
  XSync(display, False);
  XErrorHandler previous = XSetErrorHandler(&ignoreError);
  Window root = None;
  int x = 0;
  int y = 0;
  unsigned width = 0;
  unsigned height = 0;
  unsigned border = 0;
  unsigned depth = 0;
  const Status known =
      XGetGeometry(display, pixmap, &root, &x, &y, &width, &height, &border, &depth);
  XSync(display, False);
  XSetErrorHandler(previous);
  return known != 0;
}

unsigned long RootWindowProbe::leaveRetainedPixmap() {
  Display* maker = XOpenDisplay(displayName_.c_str());
  if (maker == nullptr) {
    return 0;
  }
  const int screen = DefaultScreen(maker);
  const Pixmap pixmap = XCreatePixmap(maker, RootWindow(maker, screen),
                                      static_cast<unsigned>(DisplayWidth(maker, screen)),
                                      static_cast<unsigned>(DisplayHeight(maker, screen)),
                                      static_cast<unsigned>(DefaultDepth(maker, screen)));
  XSetCloseDownMode(maker, RetainPermanent);
  XCloseDisplay(maker);
  return pixmap;
}

void RootWindowProbe::setPixmapProperty(const char* name, unsigned long pixmap) {
  Display* display = asDisplay(display_);
  const Atom property = XInternAtom(display, name, False);
  XChangeProperty(display, DefaultRootWindow(display), property, XA_PIXMAP, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pixmap), 1);
  XSync(display, False);
}

}  // namespace pixoria::test
