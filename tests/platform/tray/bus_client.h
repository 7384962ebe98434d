// A second connection to the session bus, for a test to talk to the objects that this same
// process exports. Its calls are asynchronous and answered while the thread's event loop runs,
// since the loop is what serves the objects.
#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pixoria::test {

struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using BusReply = std::unique_ptr<sd_bus_message, MessageUnref>;

class BusClient {
 public:
  BusClient();
  ~BusClient();
  BusClient(const BusClient&) = delete;
  BusClient& operator=(const BusClient&) = delete;

  sd_bus* bus() const { return bus_; }

  // Runs the thread's event loop and this connection until `done()` holds or `timeoutMs` pass.
  bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);

  // Calls a method (arguments appended by `append`); the reply, or null with lastError set.
  BusReply call(const std::string& destination, const char* path, const char* interface,
                const char* member, const std::function<int(sd_bus_message*)>& append = {});

  // org.freedesktop.DBus.Properties.Get; the reply positioned at the variant.
  BusReply getProperty(const std::string& destination, const char* path, const char* interface,
                       const char* property);

  // Whether a name has an owner on the bus.
  bool nameHasOwner(const std::string& name);

  std::string lastError;

 private:
  sd_bus* bus_ = nullptr;
};

// One entry of a com.canonical.dbusmenu layout, with its string properties.
struct LayoutItem {
  std::int32_t id = 0;
  std::map<std::string, std::string> properties;
  std::vector<LayoutItem> children;
};

// Reads one (ia{sv}av) of a GetLayout reply, the message positioned at it.
bool readLayout(sd_bus_message* m, LayoutItem& item);

}  // namespace pixoria::test
