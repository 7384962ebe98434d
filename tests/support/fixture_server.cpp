#include "support/fixture_server.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "support/child_process.h"

namespace pixoria::test {
namespace {

constexpr int kStartTimeoutMs = 10000;

std::string scriptPath() {
  return std::string(PIXORIA_SOURCE_DIR) + "/tools/fixture_server.py";
}

std::vector<std::string> commandLine(const FixtureServerOptions& options) {
  std::vector<std::string> arguments = {"python3", scriptPath()};
  if (!options.folder.empty()) {
    arguments.push_back(options.folder);
  }
  if (!options.logPath.empty()) {
    arguments.insert(arguments.end(), {"--log", options.logPath});
  }
  if (!options.tlsCertificate.empty()) {
    arguments.insert(arguments.end(), {"--tls-cert", options.tlsCertificate});
    arguments.insert(arguments.end(), {"--tls-key", options.tlsKey});
  }
  if (!options.agentLogPath.empty()) {
    arguments.insert(arguments.end(), {"--agent-log", options.agentLogPath});
  }
  if (options.failFirst > 0) {
    arguments.insert(arguments.end(), {"--fail-first", std::to_string(options.failFirst)});
  }
  if (options.freeBind) {
    arguments.emplace_back("--free-bind");
  }
  arguments.insert(arguments.end(), {"--lifetime", std::to_string(options.lifetimeSeconds)});
  return arguments;
}

// The first line the server writes, "PORT <n>"; 0 when it does not come in time.
int readPort(int fd) {
  std::string line;
  char c = 0;
  while (line.size() < 32) {
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, kStartTimeoutMs) <= 0 || ::read(fd, &c, 1) != 1 || c == '\n') {
      break;
    }
    line += c;
  }
  if (c != '\n' || line.rfind("PORT ", 0) != 0) {
    return 0;
  }
  return std::atoi(line.c_str() + 5);
}

}  // namespace

FixtureServer::FixtureServer(const FixtureServerOptions& options)
    : tls_(!options.tlsCertificate.empty()), logPath_(options.logPath) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    error_ = "cannot make a pipe";
    return;
  }
  pid_ = spawnProgram(commandLine(options), pipeFds[1]);
  ::close(pipeFds[1]);
  if (pid_ < 0) {
    error_ = "cannot start python3 (install Debian's python3 package)";
  } else {
    port_ = readPort(pipeFds[0]);
    if (port_ <= 0) {
      error_ = "the fixture server did not report its port within 10 s";
    }
  }
  ::close(pipeFds[0]);
}

FixtureServer::~FixtureServer() {
  if (pid_ > 0) {
    stopChild(pid_);
  }
}

std::string FixtureServer::url(std::string_view path) const {
  return (tls_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) +
         std::string(path);
}

std::vector<std::string> FixtureServer::requests() const {
  std::vector<std::string> lines;
  std::ifstream log(logPath_, std::ios::binary);
  for (std::string line; std::getline(log, line);) {
    lines.push_back(line);
  }
  return lines;
}

}  // namespace pixoria::test
