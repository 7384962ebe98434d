// One connection to the X server that survives the server going away: a lost connection makes
// further calls fail instead of ending the process, as Xlib would by default.
#pragma once

#include <X11/Xlib.h>

#include <memory>

namespace pixoria::platform {

class X11Connection {
 public:
  // Connects to $DISPLAY (or `displayName`); null when the server cannot be reached.
  static std::unique_ptr<X11Connection> open(const char* displayName = nullptr);
  ~X11Connection();
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  Display* display() const { return display_; }
  // False once the connection to the server has broken.
  bool alive() const { return !lost_; }

 private:
  explicit X11Connection(Display* display);
  static void markLost(Display* display, void* connection);

  Display* display_;
  bool lost_ = false;
};

}  // namespace pixoria::platform
