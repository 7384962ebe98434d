// Programs that tests start: spawned with an argument vector (no shell), every wait bounded.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace pixoria::test {

// Starts `arguments[0]` (looked up in PATH) with `arguments`. Its standard output goes to
// `stdoutFd` when that is not -1 (else to /dev/null); standard error is inherited. -1 on failure.
pid_t spawnProgram(const std::vector<std::string>& arguments, int stdoutFd = -1);

// Waits up to `timeoutMs` for the child; true with its wait status when it ended.
bool waitForChild(pid_t pid, int timeoutMs, int& status);

// SIGTERM, a bounded wait, then SIGKILL; the child is always reaped.
void stopChild(pid_t pid);

// Runs a program to its end (at most `timeoutMs`), its output and chatter discarded; true when it
// exited with status 0.
bool runProgram(const std::vector<std::string>& arguments, int timeoutMs = 20000);

}  // namespace pixoria::test
