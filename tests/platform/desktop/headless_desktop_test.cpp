// The headless desktop and the choice of backend, through the public service as the agent uses
// it, with the log read back from a temporary state folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "desktop_test_environment.h"
#include "pixoria/platform/desktop_wallpaper.h"
#include "pixoria/platform/screen.h"
#include "platform/posix/desktop/headless_screens.h"

namespace pixoria::platform {
namespace {

using test::readFile;
using test::ScopedEnvironment;
using test::TemporaryFolder;
using test::writeFile;

constexpr HResult kFileNotFound = static_cast<HResult>(0x80070002);

TEST(HeadlessScreenList, ReadsSizesInOrder) {
  std::vector<MonitorSize> screens;
  ASSERT_TRUE(parseScreenList("1920x1080, 1280x1024 ,800x600", screens));
  ASSERT_EQ(screens.size(), 3u);
  EXPECT_EQ(screens[0].width, 1920);
  EXPECT_EQ(screens[0].height, 1080);
  EXPECT_EQ(screens[1].width, 1280);
  EXPECT_EQ(screens[2].height, 600);
  ASSERT_TRUE(parseScreenList("32767x1", screens));
  EXPECT_EQ(screens.size(), 1u);
}

TEST(HeadlessScreenList, RejectsMalformedListsWhole) {
  std::string tooMany;
  for (int i = 0; i < 65; ++i) {
    if (i > 0) {
      tooMany += ',';
    }
    tooMany += "10x10";
  }
  for (const std::string& bad : std::vector<std::string>{
           "", "1920", "1920x", "x1080", "0x1080", "1920x0", "-1920x1080", "+1920x1080",
           "1920X1080", "1920x1080,", ",1920x1080", "1920x1080,,800x600", "32768x10",
           "99999999999x1", "1920x1080x2", "1920 x 1080", "1e3x100", tooMany}) {
    std::vector<MonitorSize> screens{{7, 7}};
    EXPECT_FALSE(parseScreenList(bad, screens)) << '"' << bad << '"';
    ASSERT_EQ(screens.size(), 1u) << "a failed parse must leave the list alone";
    EXPECT_EQ(screens[0].width, 7);
  }
}

class HeadlessDesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    environment_.set("HOME", folder_.path());
    environment_.set("XDG_STATE_HOME", folder_.path() + "/state");
    environment_.set("PIXORIA_DESKTOP", "headless");
    environment_.set("PIXORIA_SCREENS", std::nullopt);
    environment_.set("DISPLAY", std::nullopt);
    environment_.set("WAYLAND_DISPLAY", std::nullopt);
    environment_.set("XDG_CURRENT_DESKTOP", std::nullopt);
    environment_.set("SWAYSOCK", std::nullopt);
    imagePath_ = folder_.path() + "/lake view.jpg";
    ASSERT_TRUE(writeFile(imagePath_, "not read by the headless desktop"));
  }

  std::unique_ptr<DesktopWallpaper> create() {
    std::unique_ptr<DesktopWallpaper> wallpaper;
    EXPECT_EQ(createDesktopWallpaper(wallpaper), kOk);
    return wallpaper;
  }

  std::string log() const { return readFile(folder_.path() + "/state/pixoria/desktop.log"); }

  TemporaryFolder folder_;
  ScopedEnvironment environment_;
  std::string imagePath_;
};

TEST_F(HeadlessDesktopTest, LogsEachCallAsOneLine) {
  environment_.set("PIXORIA_SCREENS", "1920x1080,1280x1024");
  ASSERT_EQ(coInitialize(), kOk);
  auto wallpaper = create();
  ASSERT_NE(wallpaper, nullptr);
  std::uint32_t count = 0;
  ASSERT_EQ(wallpaper->getMonitorDevicePathCount(count), kOk);
  ASSERT_EQ(count, 2u);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::string id;
    ASSERT_EQ(wallpaper->getMonitorDevicePathAt(i, id), kOk);
    EXPECT_EQ(id, "HEADLESS-" + std::to_string(i + 1));
    EXPECT_EQ(wallpaper->setWallpaper(id, imagePath_), kOk);
  }
  std::string id;
  EXPECT_EQ(wallpaper->getMonitorDevicePathAt(2, id), kInvalidArg);
  EXPECT_EQ(wallpaper->setPosition(WallpaperPosition::fill), kOk);
  EXPECT_EQ(wallpaper->setPosition(WallpaperPosition::span), kOk);
  EXPECT_EQ(wallpaper->setPosition(static_cast<WallpaperPosition>(9)), kInvalidArg);
  coUninitialize();

  EXPECT_EQ(log(), "set 0 HEADLESS-1 " + imagePath_ + "\nset 1 HEADLESS-2 " + imagePath_ +
                       "\nposition fill\nposition span\n");
}

TEST_F(HeadlessDesktopTest, RefusesUnknownMonitorsAndMissingFilesWithoutLogging) {
  auto wallpaper = create();
  ASSERT_NE(wallpaper, nullptr);
  EXPECT_EQ(wallpaper->setWallpaper("HEADLESS-2", imagePath_), kInvalidArg);
  EXPECT_EQ(wallpaper->setWallpaper("headless-1", imagePath_), kInvalidArg);
  EXPECT_EQ(wallpaper->setWallpaper("", imagePath_), kInvalidArg);
  EXPECT_EQ(wallpaper->setWallpaper("HEADLESS-1", folder_.path() + "/gone.jpg"), kFileNotFound);
  EXPECT_EQ(wallpaper->setWallpaper("HEADLESS-1", ""), kFileNotFound);
  EXPECT_EQ(wallpaper->setWallpaper("HEADLESS-1", imagePath_ + std::string(1, '\0') + ".png"),
            kFileNotFound);
  EXPECT_EQ(wallpaper->setWallpaper("HEADLESS-1", imagePath_ + "\nset 0 HEADLESS-1 /forged"),
            kInvalidArg);
  EXPECT_FALSE(std::filesystem::exists(folder_.path() + "/state/pixoria/desktop.log"));
}

TEST_F(HeadlessDesktopTest, StateFolderDefaultsUnderHome) {
  environment_.set("XDG_STATE_HOME", std::nullopt);
  auto wallpaper = create();
  ASSERT_NE(wallpaper, nullptr);
  EXPECT_EQ(wallpaper->setWallpaper("HEADLESS-1", imagePath_), kOk);
  EXPECT_EQ(readFile(folder_.path() + "/.local/state/pixoria/desktop.log"),
            "set 0 HEADLESS-1 " + imagePath_ + "\n");
}

TEST_F(HeadlessDesktopTest, ScreenSizeIsThePrimaryMonitorAndMalformedListsFallBack) {
  environment_.set("PIXORIA_SCREENS", "1280x1024,1920x1080");
  EXPECT_EQ(getSystemMetrics(SystemMetric::screenWidth), 1280);
  EXPECT_EQ(getSystemMetrics(SystemMetric::screenHeight), 1024);
  EXPECT_EQ(getSystemMetrics(SystemMetric::smallIconWidth), 16);
  EXPECT_EQ(getSystemMetrics(SystemMetric::smallIconHeight), 16);

  environment_.set("PIXORIA_SCREENS", "1280x1024;1920x1080");
  testing::internal::CaptureStderr();
  auto wallpaper = create();
  const std::string diagnostic = testing::internal::GetCapturedStderr();
  EXPECT_NE(diagnostic.find("1280x1024;1920x1080"), std::string::npos) << diagnostic;
  std::uint32_t count = 0;
  ASSERT_EQ(wallpaper->getMonitorDevicePathCount(count), kOk);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(getSystemMetrics(SystemMetric::screenWidth), 1920);
}

TEST_F(HeadlessDesktopTest, BackendChoiceFollowsTheEnvironment) {
  for (const char* notHere : {"amiga", "GNOME", "wayland"}) {
    environment_.set("PIXORIA_DESKTOP", notHere);
    std::unique_ptr<DesktopWallpaper> wallpaper;
    testing::internal::CaptureStderr();
    EXPECT_EQ(createDesktopWallpaper(wallpaper), kClassNotRegistered) << notHere;
    const std::string diagnostic = testing::internal::GetCapturedStderr();
    EXPECT_NE(diagnostic.find(notHere), std::string::npos) << diagnostic;
    EXPECT_EQ(wallpaper, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(getSystemMetrics(SystemMetric::screenWidth), 0);
    testing::internal::GetCapturedStderr();
  }
  // Neither a forced desktop nor a display: the headless one.
  environment_.set("PIXORIA_DESKTOP", std::nullopt);
  auto wallpaper = create();
  ASSERT_NE(wallpaper, nullptr);
  std::string id;
  ASSERT_EQ(wallpaper->getMonitorDevicePathAt(0, id), kOk);
  EXPECT_EQ(id, "HEADLESS-1");
}

TEST_F(HeadlessDesktopTest, ConcurrentProcessesAppendWholeLines) {
  // A long path makes each line span many kilobytes, where a split write would show.
  std::string longFolder = folder_.path();
  for (int depth = 0; depth < 16; ++depth) {
    longFolder += "/" + std::string(200, static_cast<char>('a' + depth));
  }
  ASSERT_TRUE(std::filesystem::create_directories(longFolder));
  const std::string images[] = {longFolder + "/first.jpg", longFolder + "/second.jpg"};
  constexpr int kLinesPerProcess = 300;
  pid_t children[2] = {};
  for (int child = 0; child < 2; ++child) {
    ASSERT_TRUE(writeFile(images[child], "x"));
    children[child] = ::fork();
    ASSERT_GE(children[child], 0);
    if (children[child] == 0) {
      std::unique_ptr<DesktopWallpaper> wallpaper;
      bool allSet = succeeded(createDesktopWallpaper(wallpaper));
      for (int line = 0; allSet && line < kLinesPerProcess; ++line) {
        allSet = wallpaper->setWallpaper("HEADLESS-1", images[child]) == kOk;
      }
      ::_exit(allSet ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const std::set<std::string> expected = {"set 0 HEADLESS-1 " + images[0],
                                          "set 0 HEADLESS-1 " + images[1]};
  std::istringstream lines(log());
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    ASSERT_TRUE(expected.contains(line)) << "line " << count << " is torn";
  }
  EXPECT_EQ(count, 2 * kLinesPerProcess);
}

}  // namespace
}  // namespace pixoria::platform
