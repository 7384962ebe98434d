// The X11 desktop against a real X server: two RandR monitors side by side on one 3840x1080
// screen, wallpapers read back from the root window.
#include <gtest/gtest.h>

#include <memory>

#include "desktop_test_environment.h"
#include "pixoria/platform/desktop_wallpaper.h"
#include "pixoria/platform/screen.h"
#include "recording_command_runner.h"
#include "root_window_probe.h"
#include "xvfb_server.h"

namespace pixoria::platform {
namespace {

using test::Colour;

constexpr Colour kRed{255, 0, 0};
constexpr Colour kGreen{0, 255, 0};
constexpr Colour kBlue{0, 0, 255};
constexpr Colour kBlack{0, 0, 0};

void expectColour(Colour actual, Colour expected, const char* where) {
  constexpr int kTolerance = 12;  // JPEG's rounding on flat colour
  EXPECT_NEAR(actual.r, expected.r, kTolerance) << where;
  EXPECT_NEAR(actual.g, expected.g, kTolerance) << where;
  EXPECT_NEAR(actual.b, expected.b, kTolerance) << where;
}

class X11DesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.running()) << server_.error();
    ASSERT_TRUE(test::runWithDisplay(
        server_.display(), {"xrandr", "--setmonitor", "L", "1920/508x1080/286+0+0", "screen"}))
        << "xrandr failed: install Debian's x11-xserver-utils package";
    ASSERT_TRUE(test::runWithDisplay(
        server_.display(), {"xrandr", "--setmonitor", "R", "1920/508x1080/286+1920+0", "none"}));
    environment_.set("DISPLAY", server_.display());
    environment_.set("PIXORIA_DESKTOP", std::nullopt);
    environment_.set("WAYLAND_DISPLAY", std::nullopt);
    environment_.set("XDG_CURRENT_DESKTOP", std::nullopt);
    environment_.set("SWAYSOCK", std::nullopt);
    probe_ = std::make_unique<test::RootWindowProbe>(server_.display());
    ASSERT_TRUE(probe_->connected());
    ASSERT_EQ(createDesktopWallpaper(wallpaper_), kOk);
  }

  std::string jpeg(const std::string& name, Colour (*colourOfColumn)(int x), int width = 64,
                   int height = 48) {
    const std::string path = folder_.path() + "/" + name;
    EXPECT_TRUE(test::writeColumnsJpeg(path, width, height, colourOfColumn));
    return path;
  }

  void setOn(const char* monitor, const std::string& path) {
    ASSERT_EQ(wallpaper_->setWallpaper(monitor, path), kOk) << monitor << " " << path;
  }

  unsigned long rootPixmap() { return probe_->pixmapProperty("_XROOTPMAP_ID"); }

  test::XvfbServer server_{"3840x1080x24"};
  test::TemporaryFolder folder_;
  test::ScopedEnvironment environment_;
  std::unique_ptr<test::RootWindowProbe> probe_;
  std::unique_ptr<DesktopWallpaper> wallpaper_;
};

TEST_F(X11DesktopTest, ListsRandrMonitorsInServerOrder) {
  std::uint32_t count = 0;
  ASSERT_EQ(wallpaper_->getMonitorDevicePathCount(count), kOk);
  ASSERT_EQ(count, 2u);
  std::string id;
  ASSERT_EQ(wallpaper_->getMonitorDevicePathAt(0, id), kOk);
  EXPECT_EQ(id, "L");
  ASSERT_EQ(wallpaper_->getMonitorDevicePathAt(1, id), kOk);
  EXPECT_EQ(id, "R");
  EXPECT_EQ(wallpaper_->getMonitorDevicePathAt(2, id), kInvalidArg);
  // No monitor is marked primary: the first one stands for the screen.
  EXPECT_EQ(getSystemMetrics(SystemMetric::screenWidth), 1920);
  EXPECT_EQ(getSystemMetrics(SystemMetric::screenHeight), 1080);
}

TEST_F(X11DesktopTest, EachMonitorKeepsItsOwnWallpaperAndOldBackgroundsAreFreed) {
  setOn("L", jpeg("red.jpg", [](int) { return kRed; }));
  expectColour(probe_->pixelAt(10, 10), kRed, "left after red");
  expectColour(probe_->pixelAt(1910, 1070), kRed, "left corner after red");
  expectColour(probe_->pixelAt(1930, 540), kBlack, "right before any wallpaper");
  const unsigned long first = rootPixmap();
  ASSERT_NE(first, 0u);
  EXPECT_EQ(probe_->pixmapProperty("ESETROOT_PMAP_ID"), first);

  setOn("R", jpeg("blue.jpg", [](int) { return kBlue; }));
  expectColour(probe_->pixelAt(960, 540), kRed, "left after blue on right");
  expectColour(probe_->pixelAt(1925, 5), kBlue, "right after blue");
  expectColour(probe_->pixelAt(3835, 1075), kBlue, "right corner after blue");
  const unsigned long second = rootPixmap();
  EXPECT_NE(second, first);
  EXPECT_FALSE(probe_->pixmapExists(first));

  setOn("L", jpeg("green.jpg", [](int) { return kGreen; }));
  expectColour(probe_->pixelAt(960, 540), kGreen, "left after green");
  expectColour(probe_->pixelAt(2880, 540), kBlue, "right kept blue");
  EXPECT_FALSE(probe_->pixmapExists(second));
  EXPECT_TRUE(probe_->pixmapExists(rootPixmap()));
  EXPECT_EQ(wallpaper_->setPosition(WallpaperPosition::fill), kOk);
  EXPECT_EQ(wallpaper_->setPosition(WallpaperPosition::center), kNotImplemented);
}

// A setter that publishes _XROOTPMAP_ID alone leaves ESETROOT_PMAP_ID naming a pixmap that is no
// longer the background, and whose id may since belong to another client: that client lives.
TEST_F(X11DesktopTest, FreesThePreviousBackgroundOnlyWhileBothPropertiesNameIt) {
  setOn("L", jpeg("red.jpg", [](int) { return kRed; }));
  const unsigned long ours = rootPixmap();
  const unsigned long otherSetters = probe_->leaveRetainedPixmap();
  const unsigned long unrelated = probe_->leaveRetainedPixmap();
  ASSERT_NE(otherSetters, 0u);
  ASSERT_NE(unrelated, 0u);
  probe_->setPixmapProperty("_XROOTPMAP_ID", otherSetters);
  probe_->setPixmapProperty("ESETROOT_PMAP_ID", unrelated);

  setOn("R", jpeg("blue.jpg", [](int) { return kBlue; }));
  expectColour(probe_->pixelAt(1925, 5), kBlue, "right after blue");
  EXPECT_TRUE(probe_->pixmapExists(unrelated));
  EXPECT_TRUE(probe_->pixmapExists(otherSetters));
  EXPECT_TRUE(probe_->pixmapExists(ours)) << "our first background was no longer named by both";
  EXPECT_EQ(probe_->pixmapProperty("ESETROOT_PMAP_ID"), rootPixmap());
}

TEST_F(X11DesktopTest, FillCoversTheMonitorAndCropsTheOverflow) {
  // 300x100 in thirds: scaled by 10.8 to 3240x1080 and centred, so the red third shows only at
  // the left edge, the green one across the middle, the blue one at the right edge. A stretch
  // would show red at x=500 and blue at x=1400.
  const auto thirds = [](int x) { return x < 100 ? kRed : x < 200 ? kGreen : kBlue; };
  setOn("R", jpeg("thirds.jpg", thirds, 300, 100));
  expectColour(probe_->pixelAt(1920 + 100, 540), kRed, "left edge");
  expectColour(probe_->pixelAt(1920 + 500, 10), kGreen, "left of middle");
  expectColour(probe_->pixelAt(1920 + 1400, 1070), kGreen, "right of middle");
  expectColour(probe_->pixelAt(1920 + 1800, 540), kBlue, "right edge");
}

TEST_F(X11DesktopTest, FailuresLeaveTheRootAlone) {
  setOn("L", jpeg("red.jpg", [](int) { return kRed; }));
  const unsigned long before = rootPixmap();
  const std::string notAnImage = folder_.path() + "/notes.jpg";
  ASSERT_TRUE(test::writeFile(notAnImage, "these are words, not pixels"));
  EXPECT_TRUE(failed(wallpaper_->setWallpaper("L", notAnImage)));
  EXPECT_EQ(wallpaper_->setWallpaper("L", folder_.path() + "/gone.jpg"),
            static_cast<HResult>(0x80070002));
  EXPECT_EQ(wallpaper_->setWallpaper("HDMI-9", jpeg("blue.jpg", [](int) { return kBlue; })),
            kInvalidArg);
  EXPECT_EQ(rootPixmap(), before);
  EXPECT_TRUE(probe_->pixmapExists(before));
  expectColour(probe_->pixelAt(960, 540), kRed, "left still red");
}

TEST_F(X11DesktopTest, LosingTheServerFailsCallsWithoutEndingTheProcess) {
  const std::string image = jpeg("red.jpg", [](int) { return kRed; });
  probe_.reset();
  server_.stop();
  std::uint32_t count = 0;
  EXPECT_TRUE(failed(wallpaper_->getMonitorDevicePathCount(count)));
  EXPECT_TRUE(failed(wallpaper_->setWallpaper("L", image)));
  EXPECT_EQ(getSystemMetrics(SystemMetric::screenWidth), 0);
  wallpaper_.reset();
}

// Desktops that keep their wallpaper as a setting take their monitors from the same server.
TEST_F(X11DesktopTest, SettingDesktopsCountAndNameMonitorsFromXrandr) {
  test::RecordingCommandRunner runner;
  runner.answer({"xfconf-query"}, test::RecordingCommandRunner::exited(1));
  environment_.set("HOME", folder_.path());
  environment_.set("XDG_DATA_HOME", folder_.path() + "/data");
  for (const char* desktop : {"kde", "xfce", "gnome"}) {
    environment_.set("PIXORIA_DESKTOP", desktop);
    std::unique_ptr<DesktopWallpaper> wallpaper;
    ASSERT_EQ(createDesktopWallpaper(wallpaper), kOk);
    std::uint32_t count = 0;
    testing::internal::CaptureStderr();  // xfconf-query's refusal
    ASSERT_EQ(wallpaper->getMonitorDevicePathCount(count), kOk) << desktop;
    testing::internal::GetCapturedStderr();
    std::string first;
    std::string last;
    ASSERT_EQ(wallpaper->getMonitorDevicePathAt(0, first), kOk);
    ASSERT_EQ(wallpaper->getMonitorDevicePathAt(count - 1, last), kOk);
    EXPECT_EQ(getSystemMetrics(SystemMetric::screenWidth), 1920) << desktop;
    EXPECT_EQ(getSystemMetrics(SystemMetric::screenHeight), 1080) << desktop;
    if (std::string_view(desktop) == "kde") {
      EXPECT_EQ(count, 2u);
      EXPECT_EQ(last, "KDE-2");
    } else if (std::string_view(desktop) == "xfce") {
      EXPECT_EQ(count, 2u);
      EXPECT_EQ(first + last, "LR");
    } else {
      EXPECT_EQ(count, 1u);
    }
  }
}

}  // namespace
}  // namespace pixoria::platform
