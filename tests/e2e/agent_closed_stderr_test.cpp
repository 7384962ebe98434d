// The real PixoriaHelper whose standard error is a pipe nobody reads any more, as when the terminal
// that started it has gone: its diagnostics must not end it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "e2e/isolated_world.h"
#include "pixoria/platform/windows.h"
#include "support/child_process.h"
#include "support/test_images.h"

extern char** environ;

namespace pixoria::test {
namespace {

namespace pf = platform;

// Starts the agent with standard error on a pipe whose reading end is already closed, and with
// SIGPIPE at its default action whatever this process does with it.
pid_t spawnWithClosedStandardError() {
  int ends[2];
  if (::pipe(ends) != 0) {
    return -1;
  }
  ::close(ends[0]);
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
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
  ::close(ends[1]);
  return pid;
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

}  // namespace
}  // namespace pixoria::test
