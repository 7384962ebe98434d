// The loopback fixture server (tools/fixture_server.py) for one test: started on a free port,
// stopped (and waited for) when the object goes.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace pixoria::test {

struct FixtureServerOptions {
  std::string folder;          // files served; empty serves none
  std::string logPath;         // each request's path, one a line; empty keeps no log
  std::string tlsCertificate;  // PEM files: serve HTTPS instead of HTTP
  std::string tlsKey;
  int lifetimeSeconds = 120;  // the server exits by itself after this, whatever happens to us
  std::string agentLogPath;   // each request's User-Agent, one a line; empty keeps no log
  int failFirst = 0;          // the first this many requests are answered 503
  bool freeBind = false;      // binds before 127.0.0.1 exists (a namespace's loopback still down)
};

class FixtureServer {
 public:
  explicit FixtureServer(const FixtureServerOptions& options = {});
  ~FixtureServer();
  FixtureServer(const FixtureServer&) = delete;
  FixtureServer& operator=(const FixtureServer&) = delete;

  bool running() const { return pid_ > 0 && port_ > 0; }
  const std::string& error() const { return error_; }
  int port() const { return port_; }

  // "http://127.0.0.1:<port>" (or https) followed by `path`, which starts with '/'.
  std::string url(std::string_view path) const;

  // The request log's lines so far (needs a log path).
  std::vector<std::string> requests() const;

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  bool tls_ = false;
  std::string logPath_;
  std::string error_;
};

}  // namespace pixoria::test
