#include "agent/wallpaper_setter.h"

#include "agent/agent_test_fixture.h"
#include "agent/wallpaper_paths.h"

namespace pixoria::test {
namespace {

class WallpaperSetterTest : public AgentTest {
 protected:
  static std::vector<std::string> setCalls() {
    std::vector<std::string> calls;
    for (const fake::DesktopCall& call : fake::desktopCalls()) {
      calls.push_back(call.what == "set" ? call.monitorId + "=" + call.path
                                         : "position " + call.path);
    }
    return calls;
  }
};

TEST_F(WallpaperSetterTest, SelectionRule) {
  EXPECT_EQ(imageForMonitor(0, false), PairImage::first);
  EXPECT_EQ(imageForMonitor(1, false), PairImage::first);
  EXPECT_EQ(imageForMonitor(0, true), PairImage::second);
  EXPECT_EQ(imageForMonitor(1, true), PairImage::first);
  EXPECT_EQ(imageForMonitor(2, true), PairImage::second);
}

TEST_F(WallpaperSetterTest, DualModeAlternatesStartingWithTheSecondImage) {
  agentSettings.multiMonitor = true;
  fake::setMonitors({"A", "B", "C"});
  setWallpaperPair("/1.jpg", "/2.jpg");
  EXPECT_EQ(setCalls(),
            (std::vector<std::string>{"A=/2.jpg", "B=/1.jpg", "C=/2.jpg", "position 4"}));
  EXPECT_EQ(fake::standardOutput(),
            "Monitor 0: A\nMonitor 1: B\nMonitor 2: C\nWallpaper position set successfully!\n");
  EXPECT_EQ(fake::debugOutput(),
            "Wallpaper set successfully!\nWallpaper set successfully!\n"
            "Wallpaper set successfully!\n");

  // One monitor in dual mode shows the second image; single mode ignores the second path.
  fake::setMonitors({"A"});
  fake::clearDesktopCalls();
  setWallpaperPair("/1.jpg", "/2.jpg");
  agentSettings.multiMonitor = false;
  fake::setMonitors({"A", "B"});
  setWallpaperPair("/1.jpg", "/2.jpg");
  EXPECT_EQ(setCalls(), (std::vector<std::string>{"A=/2.jpg", "position 4", "A=/1.jpg", "B=/1.jpg",
                                                  "position 4"}));
  EXPECT_EQ(fake::liveDesktopObjects(), 0);
  EXPECT_EQ(fake::comInitializations(), 0);
}

TEST_F(WallpaperSetterTest, AFailedMonitorDoesNotStopTheOthersOrThePosition) {
  fake::setMonitors({"A", "B", "C"});
  fake::DesktopFailures failures;
  failures.pathFailsAt = 0;
  failures.setFailsAt = 1;
  failures.position = platform::kFail;
  fake::setDesktopFailures(failures);
  setWallpaperPair("/1.jpg", "/2.jpg");
  EXPECT_EQ(setCalls(), (std::vector<std::string>{"C=/1.jpg", "position 4"}));
  EXPECT_EQ(fake::standardError(),
            "Failed to retrieve the device path for monitor 0. Error: 0x80070057\n"
            "Failed to set wallpaper position. HRESULT = 0x80004005\n");
  EXPECT_EQ(fake::debugOutput(), "Failed to set wallpaper\nWallpaper set successfully!\n");
  EXPECT_EQ(fake::standardOutput(), "Monitor 1: B\nMonitor 2: C\n");
}

TEST_F(WallpaperSetterTest, EarlyFailuresReportAndReleaseEverything) {
  fake::DesktopFailures failures;
  failures.coInitialize = platform::kFail;
  fake::setDesktopFailures(failures);
  setWallpaperPair("/1.jpg", "/2.jpg");
  failures = {};
  failures.create = platform::kClassNotRegistered;
  fake::setDesktopFailures(failures);
  setWallpaperPair("/1.jpg", "/2.jpg");
  // Only a missing class falls back to the older call, and with the first image.
  ASSERT_EQ(fake::desktopCalls().size(), 1u);
  EXPECT_EQ(fake::desktopCalls()[0].what, "fallback");
  EXPECT_EQ(fake::desktopCalls()[0].path, "/1.jpg");
  fake::clearDesktopCalls();
  failures.create = platform::kAccessDenied;
  fake::setDesktopFailures(failures);
  setWallpaperPair("/1.jpg", "/2.jpg");
  failures = {};
  failures.count = platform::kAccessDenied;
  fake::setDesktopFailures(failures);
  setWallpaperPair("/1.jpg", "/2.jpg");
  EXPECT_EQ(fake::standardError(),
            "COM initialization failed. Error: 0x80004005\n"
            "Failed to create IDesktopWallpaper instance. Error: 0x80040154\n"
            "Failed to create IDesktopWallpaper instance. Error: 0x80070005\n"
            "Failed to get monitor count. Error: 0x80070005\n");
  EXPECT_TRUE(fake::desktopCalls().empty());
  EXPECT_EQ(fake::liveDesktopObjects(), 0);
  EXPECT_EQ(fake::comInitializations(), 0);
}

TEST_F(WallpaperSetterTest, ApplyTimerSetsTheFittedFilesOnceAfterTheLastArming) {
  firstImagePath = "/w/image.jpg";
  secondImagePath = "/w/image2.jpg";
  armApplyTimer();
  fake::advanceClock(600);
  armApplyTimer();  // restarts the countdown
  fake::advanceClock(600);
  EXPECT_TRUE(fake::desktopCalls().empty());
  fake::advanceClock(400);
  EXPECT_EQ(setCalls(), (std::vector<std::string>{"MONITOR-0=/w/image.jpg", "position 4"}));
  EXPECT_EQ(fake::runningTimerCount(), 0u);
  fake::advanceClock(5000);
  EXPECT_EQ(fake::desktopCalls().size(), 2u);
}

}  // namespace
}  // namespace pixoria::test
