// What the kernel shows of another process of this user under /proc: its children, and the timers
// it has armed. A test uses these to prove that a program is idle (nothing queued, nothing due) in
// place of waiting a while and hoping nothing happened.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace pixoria::test {

// The processes whose parent is `parent` (zombies included, as long as they are not reaped).
std::vector<pid_t> childrenOf(pid_t parent);

// The child of this process running `program` (a path to the executable), or -1.
pid_t childRunning(const std::string& program);

// The timer descriptors of a process, from /proc/<pid>/fdinfo.
struct TimerView {
  bool readable = false;  // the process exists and its descriptors could be read
  int descriptors = 0;    // how many timer descriptors it holds
  // The time until the earliest armed one expires (zero for one that expired and was not handled
  // yet); empty when none is armed.
  std::optional<std::chrono::nanoseconds> nextExpiry;
};

TimerView timersOf(pid_t pid);

// True when `pid` holds a timer descriptor and none of its descriptors expires within `limit`:
// for a program whose every timer lives on one timer descriptor, nothing is scheduled that soon.
bool nothingDueWithin(pid_t pid, std::chrono::milliseconds limit);

}  // namespace pixoria::test
