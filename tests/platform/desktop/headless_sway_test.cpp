// The sway desktop against a real headless sway that with_headless_sway.sh starts: the backend
// is chosen from SWAYSOCK, lists sway's outputs, and sets each one's background through swaymsg.
// sway shows it accepted a background by starting swaybg with the file, and grim's screenshot
// of each output shows the image's pixels.
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <thread>

#include "desktop/command_runner.h"
#include "desktop_test_environment.h"
#include "image_pixels.h"
#include "pixoria/platform/desktop_wallpaper.h"
#include "pixoria/platform/screen.h"
#include "root_window_probe.h"

namespace pixoria::platform {
namespace {

using test::Colour;
using test::monitorIds;
using test::RgbImage;

// The file each running swaybg draws, by output: its -o and -i arguments. Only files in this
// test's data folder count, so another test's sway on the machine is not taken for ours.
std::map<std::string, std::string> swaybgFiles() {
  const std::string dataHome = std::getenv("XDG_DATA_HOME") != nullptr
                                   ? std::string(std::getenv("XDG_DATA_HOME")) + "/"
                                   : std::string("/nowhere/");
  std::map<std::string, std::string> files;
  DIR* proc = ::opendir("/proc");
  while (proc != nullptr) {
    const dirent* entry = ::readdir(proc);
    if (entry == nullptr) {
      break;
    }
    std::ifstream file(std::string("/proc/") + entry->d_name + "/cmdline", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    std::vector<std::string> arguments;
    for (std::size_t start = 0; start < text.size();) {
      const std::size_t end = text.find('\0', start);
      arguments.push_back(text.substr(start, end - start));
      start = end == std::string::npos ? text.size() : end + 1;
    }
    if (arguments.empty() || !arguments[0].ends_with("swaybg")) {
      continue;
    }
    std::string output;
    for (std::size_t i = 1; i + 1 < arguments.size(); ++i) {
      if (arguments[i] == "-o") {
        output = arguments[i + 1];
      } else if (arguments[i] == "-i" && arguments[i + 1].starts_with(dataHome)) {
        files[output] = arguments[i + 1];
      }
    }
  }
  if (proc != nullptr) {
    ::closedir(proc);
  }
  return files;
}

// Polls `condition` for up to 10 s: sway starts swaybg, and swaybg draws, after swaymsg returns.
bool eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

bool near(test::Rgb8 actual, Colour expected) {
  constexpr int kTolerance = 16;  // JPEG's rounding on flat colour
  return std::abs(actual.r - expected.r) <= kTolerance &&
         std::abs(actual.g - expected.g) <= kTolerance &&
         std::abs(actual.b - expected.b) <= kTolerance;
}

constexpr Colour kRed{220, 20, 20};
constexpr Colour kGreen{20, 200, 20};
constexpr Colour kBlue{20, 20, 220};

Colour redThenGreen(int x) {
  return x < 320 ? kRed : kGreen;
}
Colour blue(int) {
  return kBlue;
}

class HeadlessSwayTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::getenv("SWAYSOCK") != nullptr)
        << "run through tests/platform/desktop/with_headless_sway.sh";
    environment_.set("PIXORIA_DESKTOP", std::nullopt);
    // Copies go to a folder holding every mark the backend lets through to sway, and non-ASCII:
    // sway must open the file by exactly that name.
    environment_.set("XDG_DATA_HOME",
                     std::string(std::getenv("XDG_DATA_HOME")) + "/dätä+1:2@3=4.5_6-7");
    shots_ = folder_.path();
  }

  std::string jpeg(const std::string& name, int width, int height, Colour (*colour)(int)) {
    const std::string path = folder_.path() + "/" + name;
    EXPECT_TRUE(test::writeColumnsJpeg(path, width, height, colour));
    return path;
  }

  // grim's screenshot of one output.
  RgbImage screenshot(const std::string& output) {
    const std::string path = shots_ + "/" + output + ".png";
    SpawnedCommandRunner runner;
    const CommandOutcome outcome = runner.run({"grim", "-o", output, path});
    EXPECT_TRUE(outcome.succeeded()) << describeCommandFailure({"grim"}, outcome);
    RgbImage image;
    EXPECT_TRUE(test::readPngPixels(path, image));
    return image;
  }

  test::TemporaryFolder folder_;
  test::ScopedEnvironment environment_;
  std::string shots_;
};

TEST_F(HeadlessSwayTest, SwayStartsSwaybgWithEachCopyAndShowsItsPixels) {
  std::unique_ptr<DesktopWallpaper> wallpaper;
  ASSERT_EQ(createDesktopWallpaper(wallpaper), kOk);
  ASSERT_EQ(monitorIds(*wallpaper), (std::vector<std::string>{"HEADLESS-1", "HEADLESS-2"}));
  const std::string first = "HEADLESS-1";
  const std::string second = "HEADLESS-2";
  EXPECT_EQ(getSystemMetrics(SystemMetric::screenWidth), 640);
  EXPECT_EQ(getSystemMetrics(SystemMetric::screenHeight), 360);

  const std::string stripes = jpeg("stripes.jpg", 640, 360, redThenGreen);
  const std::string plain = jpeg("blue.jpg", 320, 240, blue);
  ASSERT_EQ(wallpaper->setWallpaper(first, stripes), kOk);
  ASSERT_EQ(wallpaper->setWallpaper(second, plain), kOk);
  ASSERT_EQ(wallpaper->setPosition(WallpaperPosition::fill), kOk);

  std::map<std::string, std::string> drawn;
  ASSERT_TRUE(eventually([&] {
    drawn = swaybgFiles();
    return drawn.size() == 2;
  })) << "sway started "
      << drawn.size() << " swaybg";
  RgbImage given;
  ASSERT_TRUE(test::readJpegPixels(drawn[first], given)) << drawn[first];
  EXPECT_TRUE(near(test::pixelAt(given, 10, 10), kRed));
  EXPECT_NE(drawn[first], stripes) << "sway must be given the fresh copy";
  EXPECT_TRUE(drawn[second].ends_with(".jpg")) << drawn[second];

  EXPECT_TRUE(eventually([&] {
    const RgbImage shot = screenshot(first);
    return near(test::pixelAt(shot, 100, 180), kRed) && near(test::pixelAt(shot, 540, 180), kGreen);
  })) << "HEADLESS-1 does not show the stripes";
  EXPECT_TRUE(eventually([&] { return near(test::pixelAt(screenshot(second), 160, 120), kBlue); }))
      << "HEADLESS-2 does not show blue";

  // The same output again with another picture: sway replaces its swaybg.
  const std::string previous = drawn[first];
  ASSERT_EQ(wallpaper->setWallpaper(first, plain), kOk);
  EXPECT_TRUE(eventually([&] {
    drawn = swaybgFiles();
    return drawn.size() == 2 && drawn[first] != previous;
  }));
  // A 4:3 picture on the 16:9 output: with fill it covers the corners too, where fit or center
  // would leave the background colour.
  EXPECT_TRUE(eventually([&] {
    const RgbImage shot = screenshot(first);
    return near(test::pixelAt(shot, 2, 2), kBlue) && near(test::pixelAt(shot, 637, 357), kBlue);
  })) << "HEADLESS-1 does not show the new picture filled";
}

}  // namespace
}  // namespace pixoria::platform
