// The real PixoriaHelper started offline: in a network namespace of this test's own whose
// loopback is down, every connection fails with "network unreachable". When the loopback comes
// up and a default route appears, the kernel's routing messages must bring the wallpaper within
// five seconds, long before the first retry's backoff would.
//
// The whole test process moves into the namespace, so this test has an executable of its own.
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "e2e/eventually.h"
#include "e2e/feed_mirror.h"
#include "e2e/isolated_world.h"
#include "e2e/process_view.h"
#include "pixoria/settings_schema.h"
#include "support/child_process.h"
#include "support/test_images.h"

namespace pixoria::test {
namespace {

using Clock = std::chrono::steady_clock;

TEST(AgentOfflineStartTest, TheWallpaperComesSoonAfterTheNetworkReturns) {
  if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0) {
    GTEST_SKIP() << "needs root for a network namespace of its own";
  }
  IsolatedWorld world;
  FixtureServerOptions options;
  options.freeBind = true;  // 127.0.0.1 does not exist yet
  FeedMirror mirror(world, options);
  ASSERT_TRUE(mirror.running()) << mirror.server().error();
  IsolatedWorld::setSettingDword(kValueEnabled, 1);
  IsolatedWorld::setSettingDword(kValueSource, kSourceBing);

  const pid_t agent = spawnProgram({PIXORIA_AGENT_PROGRAM});
  ASSERT_GT(agent, 0);
  // The start's change failed once a retry is due long before the hour's change.
  ASSERT_TRUE(eventually(
      [&] {
        const TimerView timers = timersOf(agent);
        return timers.nextExpiry && *timers.nextExpiry < std::chrono::minutes(5);
      },
      8000));
  EXPECT_EQ(readFileBytes(world.desktopLog()), "");
  EXPECT_EQ(mirror.requestsFor("/"), 0u);

  const auto back = Clock::now();
  ASSERT_TRUE(runProgram({"ip", "link", "set", "lo", "up"}));
  ASSERT_TRUE(runProgram({"ip", "route", "add", "default", "dev", "lo"}));
  const bool arrived = eventually([&] { return !readFileBytes(world.desktopLog()).empty(); }, 5000);
  const double took = std::chrono::duration<double>(Clock::now() - back).count();
  std::printf("wallpaper set %.2f s after the network returned\n", took);
  EXPECT_TRUE(arrived);
  EXPECT_NE(readFileBytes(world.desktopLog()).find("set 0 HEADLESS-1 "), std::string::npos);
  stopChild(agent);
}

}  // namespace
}  // namespace pixoria::test
