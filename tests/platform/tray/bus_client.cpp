#include "tray/bus_client.h"

#include <poll.h>

#include <chrono>

#include "windows/event_loop.h"

namespace pixoria::test {

using platform::posix::EventLoop;

BusClient::BusClient() {
  if (sd_bus_open_user(&bus_) < 0) {
    bus_ = nullptr;
  }
}

BusClient::~BusClient() {
  sd_bus_flush_close_unref(bus_);
}

bool BusClient::pumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    EventLoop::instance().dispatchPending();
    while (bus_ != nullptr && sd_bus_process(bus_, nullptr) > 0) {
    }
    if (done()) {
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    pollfd fds[2] = {{EventLoop::instance().descriptor(), POLLIN, 0}, {-1, 0, 0}};
    if (bus_ != nullptr) {
      fds[1] = {sd_bus_get_fd(bus_), static_cast<short>(sd_bus_get_events(bus_)), 0};
    }
    poll(fds, bus_ != nullptr ? 2 : 1, 10);
  }
}

BusReply BusClient::call(const std::string& destination, const char* path, const char* interface,
                         const char* member, const std::function<int(sd_bus_message*)>& append) {
  lastError.clear();
  sd_bus_message* raw = nullptr;
  if (bus_ == nullptr || sd_bus_message_new_method_call(bus_, &raw, destination.c_str(), path,
                                                        interface, member) < 0) {
    lastError = "no call";
    return nullptr;
  }
  BusReply call(raw);
  if (append && append(call.get()) < 0) {
    lastError = "bad arguments";
    return nullptr;
  }
  sd_bus_message* reply = nullptr;
  const auto onReply = [](sd_bus_message* message, void* userdata, sd_bus_error*) -> int {
    *static_cast<sd_bus_message**>(userdata) = sd_bus_message_ref(message);
    return 0;
  };
  sd_bus_slot* slot = nullptr;
  if (sd_bus_call_async(bus_, &slot, call.get(), onReply, &reply, 0) < 0) {
    lastError = "not sent";
    return nullptr;
  }
  const bool answered = pumpUntil([&] { return reply != nullptr; });
  sd_bus_slot_unref(slot);
  if (!answered) {
    lastError = "no answer";
    return nullptr;
  }
  BusReply owned(reply);
  if (const sd_bus_error* error = sd_bus_message_get_error(reply)) {
    lastError = error->name;
    return nullptr;
  }
  return owned;
}

BusReply BusClient::getProperty(const std::string& destination, const char* path,
                                const char* interface, const char* property) {
  return call(destination, path, "org.freedesktop.DBus.Properties", "Get", [&](sd_bus_message* m) {
    return sd_bus_message_append(m, "ss", interface, property);
  });
}

bool BusClient::nameHasOwner(const std::string& name) {
  BusReply reply =
      call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
           [&](sd_bus_message* m) { return sd_bus_message_append(m, "s", name.c_str()); });
  int owned = 0;
  return reply && sd_bus_message_read(reply.get(), "b", &owned) >= 0 && owned != 0;
}

namespace {

bool readProperties(sd_bus_message* m, std::map<std::string, std::string>& properties) {
  if (sd_bus_message_enter_container(m, 'a', "{sv}") < 0) {
    return false;
  }
  while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
    const char* key = nullptr;
    const char* value = nullptr;
    if (sd_bus_message_read(m, "s", &key) < 0 || sd_bus_message_read(m, "v", "s", &value) < 0 ||
        sd_bus_message_exit_container(m) < 0) {
      return false;
    }
    properties[key] = value;
  }
  return sd_bus_message_exit_container(m) >= 0;
}

}  // namespace

bool readLayout(sd_bus_message* m, LayoutItem& item) {
  if (sd_bus_message_enter_container(m, 'r', "ia{sv}av") < 0 ||
      sd_bus_message_read(m, "i", &item.id) < 0 || !readProperties(m, item.properties) ||
      sd_bus_message_enter_container(m, 'a', "v") < 0) {
    return false;
  }
  while (sd_bus_message_enter_container(m, 'v', "(ia{sv}av)") > 0) {
    item.children.emplace_back();
    if (!readLayout(m, item.children.back()) || sd_bus_message_exit_container(m) < 0) {
      return false;
    }
  }
  return sd_bus_message_exit_container(m) >= 0 && sd_bus_message_exit_container(m) >= 0;
}

}  // namespace pixoria::test
