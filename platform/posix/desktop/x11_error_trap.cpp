#include "x11_error_trap.h"

namespace pixoria::platform {
namespace {

X11ErrorTrap* innermostTrap = nullptr;

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* display)
    : display_(display), outer_(innermostTrap), outerHandler_(nullptr) {
  // Errors of requests sent before the trap belong to whoever sent them.
  XSync(display_, False);
  outerHandler_ = XSetErrorHandler(&X11ErrorTrap::recordError);
  innermostTrap = this;
}

X11ErrorTrap::~X11ErrorTrap() {
  XSync(display_, False);
  innermostTrap = outer_;
  XSetErrorHandler(outerHandler_);
}

bool X11ErrorTrap::sync() {
  XSync(display_, False);
  return firstErrorCode_ == 0;
}

int X11ErrorTrap::recordError(Display* /*display*/, XErrorEvent* event) {
  if (innermostTrap != nullptr && innermostTrap->firstErrorCode_ == 0) {
    innermostTrap->firstErrorCode_ = event->error_code;
  }
  return 0;
}

}  // namespace pixoria::platform
