// The real command runner against real programs: limits on time and output, programs that
// cannot start, and children that are not its own.
#include "platform/posix/desktop/command_runner.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

#include "desktop_test_environment.h"
#include "pixoria/platform/desktop_wallpaper.h"

namespace pixoria::platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// True once the process is gone or a zombie waiting for a parent that is not us.
bool processEnded(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) {
    return true;
  }
  const std::size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

bool endsWithin(pid_t pid, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!processEnded(pid)) {
    if (Clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

TEST(SpawnedCommandRunner, ReportsOutputErrorsAndStatus) {
  SpawnedCommandRunner runner;
  const std::vector<std::string> arguments = {
      "sh", "-c", "printf 'out %s' \"$0\"; echo err >&2; exit 3", "it's; $(not run)"};
  const CommandOutcome outcome = runner.run(arguments);
  EXPECT_TRUE(outcome.started);
  EXPECT_TRUE(outcome.exited);
  EXPECT_EQ(outcome.exitStatus, 3);
  EXPECT_FALSE(outcome.succeeded());
  EXPECT_EQ(outcome.output, "out it's; $(not run)") << "arguments reach the program untouched";
  EXPECT_EQ(outcome.errorOutput, "err\n");
  EXPECT_EQ(describeCommandFailure(arguments, outcome), "sh exited with status 3: err");
  EXPECT_TRUE(runner.run({"true"}).succeeded());
}

TEST(SpawnedCommandRunner, KillsTheWholeGroupPastTheTimeLimit) {
  SpawnedCommandRunner runner({.timeLimit = 300ms});
  const auto start = Clock::now();
  // The shell reports its background sleep's pid, then waits far past the limit.
  const CommandOutcome outcome = runner.run({"sh", "-c", "sleep 30 & echo $!; wait"});
  EXPECT_LT(Clock::now() - start, 3s);
  EXPECT_TRUE(outcome.timedOut);
  EXPECT_FALSE(outcome.succeeded());
  EXPECT_NE(describeCommandFailure({"sh"}, outcome).find("did not finish in time"),
            std::string::npos);
  const pid_t sleeper = static_cast<pid_t>(std::stol(outcome.output));
  EXPECT_TRUE(endsWithin(sleeper, 2s)) << "the program's own child outlived the limit";

  // Closing its streams does not take a program out of the limit.
  const auto quietStart = Clock::now();
  EXPECT_TRUE(runner.run({"sh", "-c", "exec >&- 2>&-; sleep 30"}).timedOut);
  EXPECT_LT(Clock::now() - quietStart, 3s);
}

TEST(SpawnedCommandRunner, ReturnsWhenTheProgramEndsEvenIfItsChildHoldsTheOutput) {
  SpawnedCommandRunner runner({.timeLimit = 5s});
  const auto start = Clock::now();
  const CommandOutcome outcome = runner.run({"sh", "-c", "sleep 3 & echo $!"});
  EXPECT_LT(Clock::now() - start, 2s);
  EXPECT_TRUE(outcome.succeeded());
  const pid_t sleeper = static_cast<pid_t>(std::stol(outcome.output));
  ::kill(sleeper, SIGKILL);
}

TEST(SpawnedCommandRunner, CutsOutputAtTheBoundAndFailsMissingPrograms) {
  SpawnedCommandRunner runner({.outputLimit = 1 << 20});
  const CommandOutcome big = runner.run({"head", "-c", "3000000", "/dev/zero"});
  EXPECT_TRUE(big.succeeded());
  EXPECT_TRUE(big.outputCut);
  EXPECT_EQ(big.output.size(), std::size_t{1} << 20);

  const CommandOutcome missing = runner.run({"pixoria-no-such-program"});
  EXPECT_FALSE(missing.started);
  EXPECT_EQ(missing.startError, ENOENT);
  EXPECT_EQ(describeCommandFailure({"pixoria-no-such-program"}, missing),
            "cannot run pixoria-no-such-program: No such file or directory");
  EXPECT_FALSE(runner.run({}).started);
  EXPECT_FALSE(runner.run({"echo", std::string("a\0b", 3)}).started);
}

TEST(SpawnedCommandRunner, LeavesOtherChildrenToTheirOwner) {
  const pid_t other = ::fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    ::_exit(7);
  }
  // Ended (but not reaped) before the runner waits for its own child.
  siginfo_t ended{};
  ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(other), &ended, WEXITED | WNOWAIT), 0);
  SpawnedCommandRunner runner;
  EXPECT_TRUE(runner.run({"true"}).succeeded());
  int status = 0;
  ASSERT_EQ(::waitpid(other, &status, 0), other);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST(SpawnedCommandRunner, ADesktopWhoseToolIsMissingFailsTheCall) {
  test::TemporaryFolder folder;
  test::ScopedEnvironment environment;
  environment.set("HOME", folder.path());
  environment.set("XDG_DATA_HOME", folder.path() + "/data");
  environment.set("PATH", folder.path() + "/no-tools-here");
  environment.set("DISPLAY", std::nullopt);
  const std::string image = folder.path() + "/image.jpg";
  ASSERT_TRUE(test::writeFile(image, "x"));
  for (const auto& [desktop, monitor] :
       {std::pair{"gnome", "GNOME"}, std::pair{"kde", "KDE-1"}, std::pair{"mate", "MATE"}}) {
    environment.set("PIXORIA_DESKTOP", desktop);
    std::unique_ptr<DesktopWallpaper> wallpaper;
    ASSERT_EQ(createDesktopWallpaper(wallpaper), kOk);
    testing::internal::CaptureStderr();
    EXPECT_EQ(wallpaper->setWallpaper(monitor, image), kFail) << desktop;
    const std::string diagnostic = testing::internal::GetCapturedStderr();
    EXPECT_NE(diagnostic.find(std::string(desktop) + " desktop: cannot run "), std::string::npos)
        << diagnostic;
  }
}

TEST(SpawnedCommandRunner, ATooledDesktopPassesPathsToTheRealProgramIntact) {
  test::TemporaryFolder folder;
  test::ScopedEnvironment environment;
  const std::string tools = folder.path() + "/tools";
  const std::string log = folder.path() + "/calls";
  ASSERT_EQ(::mkdir(tools.c_str(), 0700), 0);
  // A stand-in gsettings that logs each argument followed by a NUL.
  ASSERT_TRUE(test::writeFile(
      tools + "/gsettings",
      "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done >> \"$CALLS\"\n"));
  ASSERT_EQ(::chmod((tools + "/gsettings").c_str(), 0700), 0);
  environment.set("PATH", tools + ":/usr/bin:/bin");
  environment.set("CALLS", log);
  environment.set("HOME", folder.path());
  environment.set("XDG_DATA_HOME", folder.path() + "/d\xC3\xA4ta $HOME's");
  environment.set("PIXORIA_DESKTOP", "mate");
  const std::string image = folder.path() + "/image.png";
  ASSERT_TRUE(test::writeFile(image, "x"));
  std::unique_ptr<DesktopWallpaper> wallpaper;
  ASSERT_EQ(createDesktopWallpaper(wallpaper), kOk);
  ASSERT_EQ(wallpaper->setWallpaper("MATE", image), kOk);
  ASSERT_EQ(wallpaper->setPosition(WallpaperPosition::fill), kOk);

  const std::string calls = test::readFile(log);
  const std::string prefix = std::string("set\0org.mate.background\0picture-filename\0'", 42) +
                             folder.path() + "/d\xC3\xA4ta $HOME\\'s/pixoria/desktop/MATE-";
  EXPECT_TRUE(calls.starts_with(prefix)) << calls;
  EXPECT_TRUE(
      calls.ends_with(std::string(".png'\0set\0org.mate.background\0picture-options\0zoom\0", 51)))
      << calls;
}

}  // namespace
}  // namespace pixoria::platform
