#include "tray/private_session_bus.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "support/child_process.h"

extern char** environ;

namespace pixoria::test {
namespace {

constexpr int kStartTimeoutMs = 5000;

std::string configText(const std::string& folder) {
  return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n"
         "  <type>session</type>\n"
         "  <listen>unix:dir=" +
         folder +
         "</listen>\n"
         "  <auth>EXTERNAL</auth>\n"
         "  <policy context=\"default\">\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n"
         "    <allow own=\"*\"/>\n"
         "  </policy>\n"
         "</busconfig>\n";
}

// Starts `arguments` with its standard output on a pipe (and standard error into `errorLog`,
// when given) and returns the first line it writes.
std::string startAndReadLine(const std::vector<std::string>& arguments, pid_t& pid,
                             const std::string& errorLog = "") {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    return "";
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  if (!errorLog.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorLog.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
  }
  std::vector<std::string> copy = arguments;
  std::vector<char*> argv;
  for (std::string& argument : copy) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  const std::string line = pid > 0 ? readFirstLine(pipeFds[0], kStartTimeoutMs) : "";
  close(pipeFds[0]);
  return line;
}

}  // namespace

std::string readFirstLine(int fd, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string text;
  while (text.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
      return "";
    }
    char chunk[256];
    const ssize_t got = read(fd, chunk, sizeof(chunk));
    if (got <= 0) {
      return "";
    }
    text.append(chunk, static_cast<std::size_t>(got));
  }
  return text.substr(0, text.find('\n'));
}

std::string fileText(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

PrivateSessionBus::PrivateSessionBus(const std::string& folder) {
  const std::string configPath = folder + "/session.conf";
  std::ofstream(configPath) << configText(folder);
  address_ = startAndReadLine({"dbus-daemon", "--config-file=" + configPath, "--nofork",
                               "--nopidfile", "--print-address=1"},
                              pid_, folder + "/dbus-daemon.log");
}

PrivateSessionBus::~PrivateSessionBus() {
  if (pid_ > 0) {
    stopChild(pid_);
  }
}

TrayStandIn::TrayStandIn(const std::vector<std::string>& arguments) {
#ifdef PIXORIA_TRAY_STAND_IN
  std::vector<std::string> command{PIXORIA_TRAY_STAND_IN};
#else
  std::vector<std::string> command{std::string(PIXORIA_TEST_BINARY_DIR) + "/pixoria_tray_stand_in"};
#endif
  command.insert(command.end(), arguments.begin(), arguments.end());
  ready_ = startAndReadLine(command, pid_) == "ready";
}

void TrayStandIn::stop() {
  if (pid_ > 0) {
    stopChild(pid_);
  }
  pid_ = -1;
}

}  // namespace pixoria::test
