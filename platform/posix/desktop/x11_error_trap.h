// X protocol errors recorded instead of ending the process: Xlib's default handler prints the
// error and exits, which no wallpaper call may do to the agent.
#pragma once

#include <X11/Xlib.h>

namespace pixoria::platform {

// While a trap lives, protocol errors from any connection are recorded in it. Traps nest; the
// innermost one records. Single-threaded, like every Xlib use in the programs.
class X11ErrorTrap {
 public:
  explicit X11ErrorTrap(Display* display);
  ~X11ErrorTrap();
  X11ErrorTrap(const X11ErrorTrap&) = delete;
  X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

  // Waits until the server has handled every request sent so far. True when none of the requests
  // since the trap was set (or since the last clear) failed.
  bool sync();

  // The first error recorded since the trap was set or cleared; 0 for none.
  int firstErrorCode() const { return firstErrorCode_; }
  void clear() { firstErrorCode_ = 0; }

 private:
  static int recordError(Display* display, XErrorEvent* event);

  Display* display_;
  X11ErrorTrap* outer_;
  XErrorHandler outerHandler_;
  int firstErrorCode_ = 0;
};

}  // namespace pixoria::platform
