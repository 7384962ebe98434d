#include "x11_connection.h"

namespace pixoria::platform {
namespace {

// Xlib's default I/O error handler ends the process. This one only returns, which hands the
// broken display to its exit handler: ours marks the connection lost, any other display keeps
// Xlib's default (exit) there.
int handOverToExitHandler(Display* /*display*/) {
  return 0;
}

}  // namespace

std::unique_ptr<X11Connection> X11Connection::open(const char* displayName) {
  XSetIOErrorHandler(&handOverToExitHandler);
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
