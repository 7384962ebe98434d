// A private Xvfb for one test: started on a free display number, stopped (and waited for) when
// the object goes, every wait bounded.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace pixoria::test {

class XvfbServer {
 public:
  // Starts `Xvfb -displayfd ... -screen 0 <screen> -noreset -nolisten tcp`. On failure
  // running() is false and error() says why.
  explicit XvfbServer(const std::string& screen);
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool running() const { return pid_ > 0 && !display_.empty(); }
  // Ends the server now (the destructor does it otherwise).
  void stop();
  const std::string& error() const { return error_; }
  const std::string& display() const { return display_; }  // ":N"

 private:
  pid_t pid_ = -1;
  std::string display_;
  std::string error_;
};

// Runs a program (looked up in PATH) with DISPLAY set to `display`, waiting at most 10 s.
// True when it exited with status 0.
bool runWithDisplay(const std::string& display, const std::vector<std::string>& arguments);

}  // namespace pixoria::test
