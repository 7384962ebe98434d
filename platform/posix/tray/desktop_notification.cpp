#include "tray/desktop_notification.h"

#include <systemd/sd-bus.h>

#include <memory>

#include "pixoria/platform/debug_output.h"
#include "tray/bus_connection.h"

namespace pixoria::platform::posix {
namespace {

constexpr const char* kAppName = "Pixoria";
constexpr const char* kAppIcon = "pixoria";
constexpr std::int32_t kServerDefaultExpiry = -1;
// A notification server answers at once; a stuck one must not keep the fallback line forever.
constexpr std::uint64_t kReplyTimeoutUs = 10'000'000;

// The connection notifications go out on, opened on first use and again after it broke.
std::unique_ptr<BusConnection>& notificationBus() {
  static std::unique_ptr<BusConnection> connection;
  return connection;
}

BusConnection* openNotificationBus() {
  std::unique_ptr<BusConnection>& connection = notificationBus();
  if (!connection) {
    connection = BusConnection::openSession();
    // Pending calls get their error replies before this runs, so their fallback lines are out.
    if (connection && !connection->attachToLoop([] { notificationBus().reset(); })) {
      connection.reset();
    }
  }
  return connection.get();
}

int onReply(sd_bus_message* reply, void* userdata, sd_bus_error*) {
  if (sd_bus_message_is_method_error(reply, nullptr)) {
    writeStandardError(*static_cast<const std::string*>(userdata));
  }
  return 0;
}

void forgetFallback(void* userdata) {
  delete static_cast<std::string*>(userdata);
}

sd_bus_message* newNotifyCall(sd_bus* bus, const std::string& summary, const std::string& body) {
  sd_bus_message* call = nullptr;
  int r = sd_bus_message_new_method_call(bus, &call, "org.freedesktop.Notifications",
                                         "/org/freedesktop/Notifications",
                                         "org.freedesktop.Notifications", "Notify");
  if (r >= 0) {
    // app name, replaces id, icon, summary, body, actions, hints, expiry.
    r = sd_bus_message_append(call, "susssasa{sv}i", kAppName, 0u, kAppIcon, summary.c_str(),
                              body.c_str(), 0, 0, kServerDefaultExpiry);
  }
  return r >= 0 ? call : sd_bus_message_unref(call);
}

// The slot floats (the bus owns it) and frees the fallback line when the call is over, answered
// or not.
bool sendWithFallback(BusConnection& connection, sd_bus_message* call,
                      const std::string& fallbackLine) {
  auto fallback = std::make_unique<std::string>(fallbackLine);
  sd_bus_slot* slot = nullptr;
  if (sd_bus_call_async(connection.bus(), &slot, call, onReply, fallback.get(), kReplyTimeoutUs) <
      0) {
    return false;
  }
  sd_bus_slot_set_destroy_callback(slot, forgetFallback);
  fallback.release();
  sd_bus_slot_set_floating(slot, 1);
  sd_bus_slot_unref(slot);
  connection.refresh();
  return true;
}

}  // namespace

bool sendDesktopNotification(const std::string& summary, const std::string& body,
                             const std::string& fallbackLine) {
  BusConnection* connection = openNotificationBus();
  sd_bus_message* call =
      connection != nullptr ? newNotifyCall(connection->bus(), summary, body) : nullptr;
  const bool sent = call != nullptr && sendWithFallback(*connection, call, fallbackLine);
  sd_bus_message_unref(call);
  if (!sent) {
    writeStandardError(fallbackLine);
  }
  return sent;
}

}  // namespace pixoria::platform::posix
