// One notification icon shown as a StatusNotifierItem with its menu, on a bus connection of its
// own.
//
// The connection owns the name org.kde.StatusNotifierItem-<pid>-<id> and exports the item and the
// menu; the icon is registered with org.kde.StatusNotifierWatcher, the tray host's registry. When
// the watcher gets a new owner (the panel restarted), the icon registers again, retrying for a
// few seconds while the new watcher is not ready to take it. Hiding the icon closes the
// connection, so the name, and with it the icon, vanishes at once.
#pragma once

#include <systemd/sd-bus.h>

#include <functional>
#include <memory>
#include <string>

#include "pixoria/platform/tray.h"
#include "tray/bus_connection.h"

namespace pixoria::platform::posix {

class TrayIcon {
 public:
  // The icon, shown; null when there is no session bus or no watcher takes it. `onLost` runs
  // when the bus connection breaks later (the icon is gone then; destroying it there is fine).
  static std::unique_ptr<TrayIcon> show(const NotifyIconData& data, std::function<void()> onLost);

  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  const NotifyIconData& data() const { return data_; }

  // NIM_MODIFY: takes the tip (kNifTip) and the callback message (kNifMessage) of `data`. A new
  // tip is announced with NewToolTip, so hosts read the ToolTip property again.
  void modify(const NotifyIconData& data);

 private:
  TrayIcon(const NotifyIconData& data, std::unique_ptr<BusConnection> connection);

  bool exportObjects();
  bool followWatcher();
  sd_bus_message* newRegistrationCall();
  bool registerWithWatcher();
  void registerAgain();
  void retryRegistrationSoon();

  static int onWatcherOwnerChanged(sd_bus_message* signal, void* userdata, sd_bus_error*);
  static int onRegisteredAgain(sd_bus_message* reply, void* userdata, sd_bus_error*);

  NotifyIconData data_;
  std::string serviceName_;
  std::unique_ptr<BusConnection> connection_;
  sd_bus_slot* itemSlot_ = nullptr;
  sd_bus_slot* menuSlot_ = nullptr;
  sd_bus_slot* watcherMatch_ = nullptr;
  sd_bus_slot* pendingRegistration_ = nullptr;
  int failedRegistrations_ = 0;  // since the watcher's owner last changed
};

}  // namespace pixoria::platform::posix
