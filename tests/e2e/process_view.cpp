#include "e2e/process_view.h"

#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace pixoria::test {

namespace fs = std::filesystem;

namespace {

// The parent pid from /proc/<pid>/stat; the command name before it may hold spaces and
// parentheses, so the fields are read after the last ')'.
std::optional<pid_t> parentOf(const fs::path& processFolder) {
  std::ifstream file(processFolder / "stat");
  std::string line;
  if (!std::getline(file, line)) {
    return std::nullopt;
  }
  const std::size_t close = line.rfind(')');
  if (close == std::string::npos) {
    return std::nullopt;
  }
  std::istringstream fields(line.substr(close + 1));
  std::string state;
  long parent = -1;
  if (!(fields >> state >> parent)) {
    return std::nullopt;
  }
  return static_cast<pid_t>(parent);
}

std::optional<pid_t> pidNamed(const std::string& name) {
  if (name.empty() ||
      !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return static_cast<pid_t>(std::stol(name));
}

bool isTimerDescriptor(const fs::path& link) {
  std::error_code error;
  return fs::read_symlink(link, error).string() == "anon_inode:[timerfd]";
}

// The time until one timer descriptor expires: zero when it has expired and its owner has not
// read it yet ("ticks"), empty when it is disarmed ("it_value: (0, 0)") or cannot be read.
struct Expiry {
  bool read = false;
  std::optional<std::chrono::nanoseconds> left;
};

Expiry expiryOf(const fs::path& fdinfo) {
  std::ifstream file(fdinfo);
  std::uint64_t ticks = 0;
  for (std::string line; std::getline(file, line);) {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    if (std::sscanf(line.c_str(), "ticks: %" SCNu64, &ticks) == 1) {
      continue;
    }
    if (std::sscanf(line.c_str(), "it_value: (%" SCNd64 ", %" SCNd64 ")", &seconds, &nanoseconds) ==
        2) {
      const std::chrono::nanoseconds left =
          std::chrono::seconds(seconds) + std::chrono::nanoseconds(nanoseconds);
      if (ticks > 0) {
        return {true, std::chrono::nanoseconds(0)};
      }
      return {true, left.count() > 0 ? std::optional(left) : std::nullopt};
    }
  }
  return {};
}

}  // namespace

std::vector<pid_t> childrenOf(pid_t parent) {
  std::vector<pid_t> children;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
    const std::optional<pid_t> pid = pidNamed(entry.path().filename().string());
    if (pid && parentOf(entry.path()) == parent) {
      children.push_back(*pid);
    }
  }
  return children;
}

pid_t childRunning(const std::string& program) {
  std::error_code error;
  const fs::path wanted = fs::canonical(program, error);
  for (const pid_t child : childrenOf(getpid())) {
    if (fs::read_symlink("/proc/" + std::to_string(child) + "/exe", error) == wanted) {
      return child;
    }
  }
  return -1;
}

TimerView timersOf(pid_t pid) {
  TimerView view;
  const fs::path process = "/proc/" + std::to_string(pid);
  std::error_code error;
  fs::directory_iterator descriptors(process / "fd", error);
  if (error) {
    return view;
  }
  view.readable = true;
  for (const fs::directory_entry& entry : descriptors) {
    if (!isTimerDescriptor(entry.path())) {
      continue;
    }
    const Expiry expiry = expiryOf(process / "fdinfo" / entry.path().filename());
    if (!expiry.read) {
      view.readable = false;
      continue;
    }
    ++view.descriptors;
    if (expiry.left && (!view.nextExpiry || *expiry.left < *view.nextExpiry)) {
      view.nextExpiry = expiry.left;
    }
  }
  return view;
}

bool nothingDueWithin(pid_t pid, std::chrono::milliseconds limit) {
  const TimerView view = timersOf(pid);
  return view.readable && view.descriptors > 0 && (!view.nextExpiry || *view.nextExpiry > limit);
}

}  // namespace pixoria::test
