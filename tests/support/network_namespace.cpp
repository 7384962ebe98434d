#include "support/network_namespace.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pixoria::test {

PrivateNetworkNamespace::PrivateNetworkNamespace() {
  // The thread's own namespace, not the process's: unshare() moves only the calling thread.
  original_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
  if (original_ < 0) {
    error_ = std::string("cannot open the current network namespace: ") + std::strerror(errno);
    return;
  }
  if (unshare(CLONE_NEWNET) != 0) {
    error_ = std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno) + " (needs root)";
    return;
  }
  entered_ = true;
}

PrivateNetworkNamespace::~PrivateNetworkNamespace() {
  // Staying in the private namespace would cut every later test of the program off loopback.
  if (entered_ && setns(original_, CLONE_NEWNET) != 0) {
    std::abort();
  }
  if (original_ >= 0) {
    close(original_);
  }
}

}  // namespace pixoria::test
