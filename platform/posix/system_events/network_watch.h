// A routing netlink socket, watched by the thread's event loop, that posts a message to a window
// whenever the kernel reports something that may bring the network back (an address, a link
// coming up, a default route). No NetworkManager or other service is involved.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "files/unique_fd.h"
#include "pixoria/platform/windows.h"
#include "windows/event_loop.h"

namespace pixoria::platform::posix {

class NetworkWatch {
 public:
  // Watching; null when the socket cannot be opened or watched.
  static std::unique_ptr<NetworkWatch> start(WindowHandle window, std::uint32_t message);

  // Removes the watch from the loop and closes the socket.
  ~NetworkWatch();
  NetworkWatch(const NetworkWatch&) = delete;
  NetworkWatch& operator=(const NetworkWatch&) = delete;

 private:
  NetworkWatch(WindowHandle window, std::uint32_t message, UniqueFd socket);

  void readPending();

  WindowHandle window_;
  std::uint32_t message_;
  UniqueFd socket_;
  EventLoop::WatchId watch_ = 0;
  std::vector<std::uint8_t> buffer_;
};

}  // namespace pixoria::platform::posix
