// The real PixoriaHelper whose standard error is a pipe nobody reads any more, as when the terminal
// that started it has gone, or one that nobody reads yet, as a launcher that keeps it: its
// diagnostics must neither end it nor stop it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "e2e/isolated_world.h"
#include "pixoria/platform/windows.h"
#include "pixoria/protocol.h"
#include "support/child_process.h"
#include "support/test_images.h"

extern char** environ;

namespace pixoria::test {
namespace {

namespace pf = platform;

// Starts the agent with standard error on `errors`, and with SIGPIPE at its default action
// whatever this process does with it.
pid_t spawnWithStandardError(int errors) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, errors, STDERR_FILENO);
  posix_spawnattr_init(&attributes);
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &pipeSignal);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  char* arguments[] = {const_cast<char*>(PIXORIA_AGENT_PROGRAM), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, PIXORIA_AGENT_PROGRAM, &actions, &attributes, arguments, environ) != 0) {
    pid = -1;
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Standard error on a pipe whose reading end is already closed.
pid_t spawnWithClosedStandardError() {
  int ends[2];
  if (::pipe(ends) != 0) {
    return -1;
  }
  ::close(ends[0]);
  const pid_t pid = spawnWithStandardError(ends[1]);
  ::close(ends[1]);
  return pid;
}

// The custom list's one picture, which each reload of the settings sets again, writing some
// 40 bytes of diagnostics.
void useOnePicture(const IsolatedWorld& world) {
  const std::string image = world.root() + "/plain.bmp";
  writeBmp(image, 8, 8, [](int, int) { return Rgb{20, 20, 220}; });
  IsolatedWorld::setSettingDword("Enabled", 1);
  IsolatedWorld::setSettingDword("Source", 3);
  IsolatedWorld::setSettingDword("CustomCount", 1);
  IsolatedWorld::setSettingString("CustomFile0", image);
}

std::size_t countOf(const std::string& text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// Waits until the headless desktop has been told `count` times to fill.
bool waitForSets(const IsolatedWorld& world, std::size_t count, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (countOf(readFileBytes(world.desktopLog()), "position fill") < count) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// All the pipe holds now, without waiting for more.
std::string drain(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t count; (count = ::read(fd, buffer, sizeof buffer)) > 0;) {
    text.append(buffer, static_cast<std::size_t>(count));
  }
  return text;
}

void closeAgent(pid_t agent) {
  int status = 0;
  if (pf::WindowHandle window = pf::findWindow("PIXORIA", "Corvane Pixoria Helper")) {
    pf::postMessage(window, 16, 0, 0);  // kWmClose
  }
  if (!waitForChild(agent, 8000, status)) {
    stopChild(agent);
    FAIL() << "the agent did not close";
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST(AgentClosedStandardErrorTest, DiagnosticsIntoAClosedPipeDoNotEndTheAgent) {
  IsolatedWorld world;
  const std::string image = world.root() + "/plain.bmp";
  writeBmp(image, 8, 8, [](int, int) { return Rgb{20, 20, 220}; });
  // Setting the custom list's picture writes "Wallpaper set successfully!" to standard error.
  IsolatedWorld::setSettingDword("Enabled", 1);
  IsolatedWorld::setSettingDword("Source", 3);
  IsolatedWorld::setSettingDword("CustomCount", 1);
  IsolatedWorld::setSettingString("CustomFile0", image);

  const pid_t agent = spawnWithClosedStandardError();
  ASSERT_GT(agent, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
  while (readFileBytes(world.desktopLog()).find("position fill") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_NE(readFileBytes(world.desktopLog()).find("position fill"), std::string::npos);

  int status = 0;
  if (pf::WindowHandle window = pf::findWindow("PIXORIA", "Corvane Pixoria Helper")) {
    pf::postMessage(window, 16, 0, 0);  // kWmClose
  }
  if (!waitForChild(agent, 8000, status)) {
    stopChild(agent);
    FAIL() << "the agent did not close";
  }
  ASSERT_FALSE(WIFSIGNALED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A pipe of one page that nobody reads fills after a few reloads. Before, the agent's one thread
// then stopped in write(); now it goes on, drops what does not fit, and once the pipe is read
// again says how much it dropped.
TEST(AgentFullStandardErrorTest, DiagnosticsThatDoNotFitAreDroppedAndCounted) {
  IsolatedWorld world;
  useOnePicture(world);
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
  ASSERT_GT(::fcntl(ends[1], F_SETPIPE_SZ, 4096), 0);
  const int setBlocking = ::fcntl(ends[1], F_SETFL, 0);  // the agent gets a blocking pipe
  ASSERT_EQ(setBlocking, 0);
  const pid_t agent = spawnWithStandardError(ends[1]);
  ::close(ends[1]);
  ASSERT_GT(agent, 0);
  ASSERT_TRUE(waitForSets(world, 1, 8));
  pf::WindowHandle window = pf::findWindow("PIXORIA", "Corvane Pixoria Helper");
  ASSERT_NE(window, nullptr);

  // Some 8 KB of diagnostics into 4 KiB, one reload at a time (a window's queue is short).
  constexpr std::size_t kReloads = 200;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (std::size_t i = 1; i <= kReloads; ++i) {
    pf::postMessage(window, AGENT_MSG_RELOAD, 0, 0);
    const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(
                                          deadline - std::chrono::steady_clock::now())
                                          .count());
    if (!waitForSets(world, 1 + i, std::max(left, 1))) {
      stopChild(agent);
      FAIL() << "the agent stopped on its full standard error after " << i << " reloads";
    }
  }
  const std::string before = drain(ends[0]);
  EXPECT_LE(before.size(), 4096u);
  EXPECT_EQ(before.find("dropped"), std::string::npos);

  pf::postMessage(window, AGENT_MSG_RELOAD, 0, 0);
  EXPECT_TRUE(waitForSets(world, 2 + kReloads, 8));
  const std::string after = drain(ends[0]);
  const std::size_t note = after.find(" bytes of diagnostics were dropped");
  EXPECT_NE(note, std::string::npos) << before.size() << " then:\n" << after;
  EXPECT_LE(after.find("pixoria: "), 1u) << "the note comes first:\n" << after;
  EXPECT_NE(after.find("Wallpaper set successfully!"), std::string::npos) << after;
  closeAgent(agent);
  ::close(ends[0]);
}

}  // namespace
}  // namespace pixoria::test
