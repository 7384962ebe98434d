// A connection to the user's session bus or the system bus, driven by the thread's event loop.
//
// The loop watches the connection's socket for what sd-bus wants (reading, and writing while
// messages wait to go out) and, when sd-bus has a deadline (a reply that may time out, messages
// already read but not yet handled), a one-shot timer for it. Nothing wakes the thread while the
// connection is idle.
#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "windows/event_loop.h"

namespace pixoria::platform::posix {

class BusConnection {
 public:
  // The session bus (DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus); null when there is none.
  static std::unique_ptr<BusConnection> openSession();
  // The system bus (DBUS_SYSTEM_BUS_ADDRESS, else /run/dbus/system_bus_socket); null when there is
  // none.
  static std::unique_ptr<BusConnection> openSystem();

  ~BusConnection();
  BusConnection(const BusConnection&) = delete;
  BusConnection& operator=(const BusConnection&) = delete;

  sd_bus* bus() const { return bus_; }

  // From now on the event loop processes the connection. `onLost` runs when the connection breaks;
  // it is the last thing done on this object's behalf, so it may destroy the object.
  bool attachToLoop(std::function<void()> onLost);

  // Brings the loop's watch and timer up to date with what sd-bus wants. Call it after sending
  // messages outside the loop's callbacks. False when the connection is broken.
  bool refresh();

  // Sends `call` and processes this connection alone until its reply arrives (at most `timeoutUs`),
  // serving calls that come in meanwhile: the peer may call us back before it answers. True on
  // a method return; false with `error` set otherwise.
  bool callServingOthers(sd_bus_message* call, std::uint64_t timeoutUs, sd_bus_error* error);

 private:
  explicit BusConnection(sd_bus* bus);

  void process();
  void detachFromLoop();

  sd_bus* bus_;
  EventLoop::WatchId watch_ = 0;
  std::uint32_t watchedEvents_ = 0;
  std::function<void()> onLost_;
};

}  // namespace pixoria::platform::posix
