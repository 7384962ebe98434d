// A network namespace of the test's own, for the calling thread: a loopback that starts down and
// no other interface, so nothing the test does there reaches any network. Programs the thread
// starts meanwhile (`ip`) run in it too. The thread returns to its namespace when this goes.
//
// Needs CAP_SYS_ADMIN (the tests run as root); entered() is false otherwise.
#pragma once

#include <string>

namespace pixoria::test {

class PrivateNetworkNamespace {
 public:
  PrivateNetworkNamespace();
  ~PrivateNetworkNamespace();
  PrivateNetworkNamespace(const PrivateNetworkNamespace&) = delete;
  PrivateNetworkNamespace& operator=(const PrivateNetworkNamespace&) = delete;

  bool entered() const { return entered_; }
  // Why it could not be entered.
  const std::string& error() const { return error_; }

 private:
  int original_ = -1;
  bool entered_ = false;
  std::string error_;
};

}  // namespace pixoria::test
