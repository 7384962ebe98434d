// The machine's state for a window: resume from sleep (WM_POWERBROADCAST, which Windows sends to
// every top-level window by itself) and the network's changes (NotifyIpInterfaceChange).
#include <winsock2.h>
#include <ws2ipdef.h>
// The Windows headers below need the socket headers before them.
#include <iphlpapi.h>
#include <windows.h>

#include <map>
#include <memory>

#include "pixoria/platform/system_events.h"

namespace pixoria::platform {

namespace {

// What a network watch's callback needs: it runs on a system thread and only posts.
struct NetworkWatch {
  HWND window = nullptr;
  UINT message = 0;
  HANDLE handle = nullptr;
};

// The watches by window; used on the windows' own thread only.
std::map<HWND, std::unique_ptr<NetworkWatch>>& networkWatches() {
  static std::map<HWND, std::unique_ptr<NetworkWatch>> watches;
  return watches;
}

HWND toHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}

void CALLBACK onInterfaceChange(PVOID context, PMIB_IPINTERFACE_ROW, MIB_NOTIFICATION_TYPE) {
  const auto* watch = static_cast<const NetworkWatch*>(context);
  PostMessageW(watch->window, watch->message, 0, 0);
}

// CancelMibChangeNotify2 returns once no callback of the watch runs any more, so the record can
// go after it.
void cancel(std::unique_ptr<NetworkWatch>& watch) {
  if (watch != nullptr && watch->handle != nullptr) {
    CancelMibChangeNotify2(watch->handle);
  }
  watch.reset();
}

// Broadcasts reach top-level windows, hidden ones included, but not message-only windows.
bool isTopLevel(HWND window) {
  return IsWindow(window) != FALSE && GetAncestor(window, GA_PARENT) == GetDesktopWindow();
}

}  // namespace

// Nothing to register: the broadcast reaches the window as long as it is a top-level one.
bool watchResume(WindowHandle window) {
  return isTopLevel(toHwnd(window));
}

bool watchNetworkChanges(WindowHandle window, std::uint32_t message) {
  const HWND hwnd = toHwnd(window);
  if (IsWindow(hwnd) == FALSE) {
    return false;
  }
  auto watch = std::make_unique<NetworkWatch>();
  watch->window = hwnd;
  watch->message = message;
  if (NotifyIpInterfaceChange(AF_UNSPEC, onInterfaceChange, watch.get(), FALSE, &watch->handle) !=
      NO_ERROR) {
    return false;
  }
  cancel(networkWatches()[hwnd]);  // a second watch replaces the first
  networkWatches()[hwnd] = std::move(watch);
  return true;
}

void stopWatchingSystemEvents(WindowHandle window) {
  const auto found = networkWatches().find(toHwnd(window));
  if (found != networkWatches().end()) {
    cancel(found->second);
    networkWatches().erase(found);
  }
}

}  // namespace pixoria::platform
