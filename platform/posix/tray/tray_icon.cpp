#include "tray/tray_icon.h"

#include <unistd.h>

#include <chrono>
#include <thread>

#include "pixoria/platform/debug_output.h"
#include "tray/dbusmenu_object.h"
#include "tray/status_notifier_item.h"
#include "windows/event_loop.h"

namespace pixoria::platform::posix {
namespace {

constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kWatcherInterface = "org.kde.StatusNotifierWatcher";

// How long showing the icon waits for the watcher's answer. A tray host answers at once; this
// bounds the wait when one is stuck.
constexpr std::uint64_t kRegistrationTimeoutUs = 3'000'000;

// A watcher may take its name a moment before it exports its object (status-notifier-watcher
// does), so a registration that fails right after the name appeared is tried again, every
// kRetryDelay: the first one within its time-out, a later one up to kRegistrationAttempts times.
constexpr std::chrono::milliseconds kRetryDelay{200};
constexpr std::int64_t kRetryDelayNs = std::chrono::nanoseconds(kRetryDelay).count();
constexpr int kRegistrationAttempts = 25;
constexpr std::uintptr_t kRetryTimer = 1;

constexpr const char* kWatcherOwnerMatch =
    "type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
    "interface='org.freedesktop.DBus',member='NameOwnerChanged',"
    "arg0='org.kde.StatusNotifierWatcher'";

// The answers of a watcher that owns its name but has not exported its object yet.
bool watcherNotReady(const sd_bus_error& error) {
  return sd_bus_error_has_names(&error, SD_BUS_ERROR_UNKNOWN_OBJECT, SD_BUS_ERROR_UNKNOWN_INTERFACE,
                                SD_BUS_ERROR_UNKNOWN_METHOD);
}

}  // namespace

std::unique_ptr<TrayIcon> TrayIcon::show(const NotifyIconData& data, std::function<void()> onLost) {
  std::unique_ptr<BusConnection> connection = BusConnection::openSession();
  if (!connection) {
    return nullptr;
  }
  std::unique_ptr<TrayIcon> icon(new TrayIcon(data, std::move(connection)));
  if (!icon->exportObjects() || !icon->followWatcher() || !icon->registerWithWatcher()) {
    return nullptr;
  }
  if (!icon->connection_->attachToLoop(std::move(onLost))) {
    return nullptr;
  }
  return icon;
}

TrayIcon::TrayIcon(const NotifyIconData& data, std::unique_ptr<BusConnection> connection)
    : data_(data),
      serviceName_("org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" +
                   std::to_string(data.id)),
      connection_(std::move(connection)) {}

TrayIcon::~TrayIcon() {
  EventLoop::instance().killTimers(this);
  sd_bus_slot_unref(pendingRegistration_);
  sd_bus_slot_unref(watcherMatch_);
  sd_bus_slot_unref(menuSlot_);
  sd_bus_slot_unref(itemSlot_);
  // Closing the connection would drop the name too, but only when the bus daemon gets to it;
  // waiting for the release means the icon is gone when the delete returns, as on Windows.
  sd_bus_release_name(connection_->bus(), serviceName_.c_str());
  connection_.reset();
}

void TrayIcon::modify(const NotifyIconData& data) {
  if ((data.flags & kNifMessage) != 0) {
    data_.callbackMessage = data.callbackMessage;
  }
  if ((data.flags & kNifTip) == 0 || data.tip == data_.tip) {
    return;
  }
  data_.tip = data.tip;
  sd_bus_emit_signal(connection_->bus(), kItemPath, kItemInterface, "NewToolTip", "");
  // The signal waits in sd-bus's queue until the loop watches for the socket being writable.
  connection_->refresh();
}

bool TrayIcon::exportObjects() {
  sd_bus* bus = connection_->bus();
  return exportStatusNotifierItem(bus, &itemSlot_, &data_) >= 0 &&
         exportDbusMenu(bus, &menuSlot_, &data_) >= 0 &&
         sd_bus_request_name(bus, serviceName_.c_str(), 0) >= 0;
}

// Sent before the registration, so no restart of the watcher after it goes unnoticed.
bool TrayIcon::followWatcher() {
  return sd_bus_add_match_async(connection_->bus(), &watcherMatch_, kWatcherOwnerMatch,
                                onWatcherOwnerChanged, nullptr, this) >= 0;
}

sd_bus_message* TrayIcon::newRegistrationCall() {
  sd_bus_message* call = nullptr;
  if (sd_bus_message_new_method_call(connection_->bus(), &call, kWatcherName, kWatcherPath,
                                     kWatcherInterface, "RegisterStatusNotifierItem") < 0) {
    return nullptr;
  }
  if (sd_bus_message_append(call, "s", serviceName_.c_str()) < 0) {
    return sd_bus_message_unref(call);
  }
  return call;
}

bool TrayIcon::registerWithWatcher() {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::microseconds(kRegistrationTimeoutUs);
  for (;;) {
    sd_bus_message* call = newRegistrationCall();
    if (call == nullptr) {
      return false;
    }
    // All members null, as SD_BUS_ERROR_NULL makes them, without that macro's C99 compound
    // literal (which Clang's -Wpedantic reports in C++).
    sd_bus_error error{};
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
        deadline - std::chrono::steady_clock::now());
    const bool registered =
        left.count() > 0 &&
        connection_->callServingOthers(call, static_cast<std::uint64_t>(left.count()), &error);
    const bool tryAgain = !registered && watcherNotReady(error) &&
                          std::chrono::steady_clock::now() + kRetryDelay < deadline;
    sd_bus_error_free(&error);
    sd_bus_message_unref(call);
    if (!tryAgain) {
      return registered;
    }
    std::this_thread::sleep_for(kRetryDelay);
  }
}

void TrayIcon::registerAgain() {
  sd_bus_message* call = newRegistrationCall();
  if (call == nullptr) {
    return;
  }
  pendingRegistration_ = sd_bus_slot_unref(pendingRegistration_);
  sd_bus_call_async(connection_->bus(), &pendingRegistration_, call, onRegisteredAgain, this,
                    kRegistrationTimeoutUs);
  sd_bus_message_unref(call);
}

int TrayIcon::onWatcherOwnerChanged(sd_bus_message* signal, void* userdata, sd_bus_error*) {
  const char* name = nullptr;
  const char* oldOwner = nullptr;
  const char* newOwner = nullptr;
  if (sd_bus_message_read(signal, "sss", &name, &oldOwner, &newOwner) < 0) {
    return 0;
  }
  auto* icon = static_cast<TrayIcon*>(userdata);
  EventLoop::instance().killTimer(icon, kRetryTimer);
  icon->failedRegistrations_ = 0;
  if (newOwner != nullptr && newOwner[0] != '\0') {
    icon->registerAgain();
  }
  return 0;
}

int TrayIcon::onRegisteredAgain(sd_bus_message* reply, void* userdata, sd_bus_error*) {
  auto* icon = static_cast<TrayIcon*>(userdata);
  icon->pendingRegistration_ = sd_bus_slot_unref(icon->pendingRegistration_);
  const sd_bus_error* error = sd_bus_message_get_error(reply);
  if (error == nullptr) {
    icon->failedRegistrations_ = 0;
  } else if (++icon->failedRegistrations_ < kRegistrationAttempts) {
    icon->retryRegistrationSoon();
  } else {
    outputDebugString(std::string("The tray did not take the icon back: ") +
                      (error->message != nullptr ? error->message : error->name) + "\n");
  }
  return 0;
}

void TrayIcon::retryRegistrationSoon() {
  EventLoop::instance().setTimer(this, kRetryTimer, kRetryDelayNs, [this] {
    EventLoop::instance().killTimer(this, kRetryTimer);
    registerAgain();
    connection_->refresh();
  });
}

}  // namespace pixoria::platform::posix
