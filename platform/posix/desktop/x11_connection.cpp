#include "x11_connection.h"

namespace pixoria::platform {

std::unique_ptr<X11Connection> X11Connection::open(const char* displayName) {
  Display* display = XOpenDisplay(displayName);
  if (display == nullptr) {
    return nullptr;
  }
  return std::unique_ptr<X11Connection>(new X11Connection(display));
}

X11Connection::X11Connection(Display* display) : display_(display) {
  // Xlib calls this instead of exit() after an I/O error; once it returns, the display refuses
  // further requests, so every later call fails cleanly.
  XSetIOErrorExitHandler(display_, &X11Connection::markLost, this);
}

X11Connection::~X11Connection() {
  XCloseDisplay(display_);
}

void X11Connection::markLost(Display* /*display*/, void* connection) {
  static_cast<X11Connection*>(connection)->lost_ = true;
}

}  // namespace pixoria::platform
