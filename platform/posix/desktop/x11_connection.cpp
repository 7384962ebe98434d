#include "x11_connection.h"

#include <algorithm>
#include <vector>

namespace pixoria::platform {
namespace {

// The displays opened here (Xlib is used from one thread only).
std::vector<Display*>& connectedDisplays() {
  static std::vector<Display*> displays;
  return displays;
}

XIOErrorHandler outerIOErrorHandler = nullptr;

// Xlib's default I/O error handler ends the process. For our displays this one only returns,
// which hands the broken display to its exit handler (markLost); other displays in the process
// get the handler that was there before.
int handleIOError(Display* display) {
  const std::vector<Display*>& ours = connectedDisplays();
  if (std::find(ours.begin(), ours.end(), display) != ours.end()) {
    return 0;
  }
  return outerIOErrorHandler != nullptr ? outerIOErrorHandler(display) : 0;
}

void installIOErrorHandler() {
  static bool installed = false;
  if (!installed) {
    outerIOErrorHandler = XSetIOErrorHandler(&handleIOError);
    installed = true;
  }
}

}  // namespace

std::unique_ptr<X11Connection> X11Connection::open(const char* displayName) {
  installIOErrorHandler();
  Display* display = XOpenDisplay(displayName);
  if (display == nullptr) {
    return nullptr;
  }
  connectedDisplays().push_back(display);
  return std::unique_ptr<X11Connection>(new X11Connection(display));
}

X11Connection::X11Connection(Display* display) : display_(display) {
  // Xlib calls this instead of exit() after an I/O error; once it returns, the display refuses
  // further requests, so every later call fails cleanly.
  XSetIOErrorExitHandler(display_, &X11Connection::markLost, this);
}

X11Connection::~X11Connection() {
  XCloseDisplay(display_);
  std::vector<Display*>& ours = connectedDisplays();
  ours.erase(std::remove(ours.begin(), ours.end(), display_), ours.end());
}

void X11Connection::markLost(Display* /*display*/, void* connection) {
  static_cast<X11Connection*>(connection)->lost_ = true;
}

}  // namespace pixoria::platform
