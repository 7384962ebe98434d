// A session bus of the test's own: a dbus-daemon with no activatable services (so a missing
// watcher or notification server stays missing), plus the stand-in tray programs on it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace pixoria::test {

class PrivateSessionBus {
 public:
  // Starts the daemon with its socket and configuration in `folder`.
  explicit PrivateSessionBus(const std::string& folder);
  ~PrivateSessionBus();
  PrivateSessionBus(const PrivateSessionBus&) = delete;
  PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

  // Empty when the daemon did not start.
  const std::string& address() const { return address_; }

 private:
  pid_t pid_ = -1;
  std::string address_;
};

// pixoria_tray_stand_in with `arguments`, started on the bus in DBUS_SESSION_BUS_ADDRESS and
// stopped (SIGTERM) when this object goes.
class TrayStandIn {
 public:
  explicit TrayStandIn(const std::vector<std::string>& arguments);
  ~TrayStandIn() { stop(); }
  TrayStandIn(const TrayStandIn&) = delete;
  TrayStandIn& operator=(const TrayStandIn&) = delete;

  // True once it owns its names.
  bool ready() const { return ready_; }
  void stop();

 private:
  pid_t pid_ = -1;
  bool ready_ = false;
};

// The first line a child writes to `fd`, waiting at most `timeoutMs`; empty on timeout or EOF.
std::string readFirstLine(int fd, int timeoutMs);

// The whole content of a file, empty when it cannot be read.
std::string fileText(const std::string& path);

}  // namespace pixoria::test
