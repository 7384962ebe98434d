// GNOME, Cinnamon, MATE and XFCE against their own settings services: the real gsettings with
// the dconf backend, and xfconfd, on the private session bus that with_session_bus.sh starts.
// Every value is read back through the desktop's own tool, the way the desktop would read it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "desktop/command_runner.h"
#include "desktop_test_environment.h"
#include "image_pixels.h"
#include "pixoria/common/image_fitting.h"
#include "pixoria/platform/desktop_wallpaper.h"
#include "root_window_probe.h"
#include "xvfb_server.h"

namespace pixoria::platform {
namespace {

using test::Colour;
using test::monitorIds;
using test::RgbImage;

// What a tool printed, without the line break; "<failed>" when it did not succeed.
std::string outputOf(const std::vector<std::string>& arguments) {
  SpawnedCommandRunner runner;
  const CommandOutcome outcome = runner.run(arguments);
  if (!outcome.succeeded()) {
    return "<failed: " + outcome.errorOutput + ">";
  }
  std::string text = outcome.output;
  while (!text.empty() && text.back() == '\n') {
    text.pop_back();
  }
  return text;
}

// The text of a GVariant string as gsettings prints it: 'a\'b' or, when the text holds a single
// quote, "it's".
std::string unquoteGvariant(std::string_view printed) {
  if (printed.size() < 2 || (printed.front() != '\'' && printed.front() != '"') ||
      printed.back() != printed.front()) {
    return "<not a string: " + std::string(printed) + ">";
  }
  std::string text;
  for (std::size_t i = 1; i + 1 < printed.size(); ++i) {
    if (printed[i] == '\\' && i + 2 < printed.size()) {
      ++i;
    }
    text += printed[i];
  }
  return text;
}

// The path a file:// URI names, percent escapes decoded.
std::string pathOfFileUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (!uri.starts_with(kScheme)) {
    return "<not a file URI: " + std::string(uri) + ">";
  }
  std::string path;
  for (std::size_t i = kScheme.size(); i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size()) {
      path += static_cast<char>(std::stoi(std::string(uri.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      path += uri[i];
    }
  }
  return path;
}

Colour stripes(int x) {
  return x < 640 ? Colour{200, 30, 30} : Colour{30, 30, 200};
}

class SessionServicesTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(configHome != nullptr && std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr)
        << "run through tests/platform/desktop/with_session_bus.sh";
    configHome_ = configHome;
    // Copies go to a data folder whose path needs escaping in a URI and in GVariant text.
    environment_.set("XDG_DATA_HOME", folder_.path() + "/dätä home's \\ \"x\"");
    // A picture fitted as the agent fits a download.
    const std::string pictures = folder_.path() + "/my pictures's";
    ASSERT_TRUE(std::filesystem::create_directories(pictures));
    const std::string source = pictures + "/lake #1.jpg";
    ASSERT_TRUE(test::writeColumnsJpeg(source, 1280, 720, stripes));
    fitted_ = pictures + "/image.jpg";
    fitImage(source, fitted_, 640, 360, FitVariant::agent);
    ASSERT_TRUE(test::readJpegPixels(fitted_, fittedPixels_)) << "the fitting failed";
    ASSERT_EQ(fittedPixels_.width, 640);
  }

  std::unique_ptr<DesktopWallpaper> create(const char* desktop) {
    environment_.set("PIXORIA_DESKTOP", desktop);
    std::unique_ptr<DesktopWallpaper> wallpaper;
    EXPECT_EQ(createDesktopWallpaper(wallpaper), kOk);
    return wallpaper;
  }

  // The file a desktop was given holds the fitted image, pixel for pixel.
  void expectFittedImage(const std::string& path) {
    RgbImage shown;
    ASSERT_TRUE(test::readJpegPixels(path, shown)) << "not a readable JPEG: " << path;
    EXPECT_EQ(shown.width, fittedPixels_.width);
    EXPECT_EQ(shown.height, fittedPixels_.height);
    EXPECT_TRUE(shown.pixels == fittedPixels_.pixels) << path;
  }

  test::TemporaryFolder folder_;
  test::ScopedEnvironment environment_;
  std::string configHome_;
  std::string fitted_;
  RgbImage fittedPixels_;
};

struct GsettingsCase {
  const char* desktop;
  const char* monitor;
  const char* schema;
  std::vector<const char*> imageKeys;
  bool keysHoldUri;
};

TEST_F(SessionServicesTest, GsettingsDesktopsReadBackTheFittedCopyAndEveryPictureOption) {
  const GsettingsCase cases[] = {
      {"gnome", "GNOME", "org.gnome.desktop.background", {"picture-uri", "picture-uri-dark"}, true},
      {"cinnamon", "CINNAMON", "org.cinnamon.desktop.background", {"picture-uri"}, true},
      {"mate", "MATE", "org.mate.background", {"picture-filename"}, false}};
  for (const GsettingsCase& desktop : cases) {
    SCOPED_TRACE(desktop.desktop);
    if (outputOf({"gsettings", "list-keys", desktop.schema}).starts_with("<failed")) {
      ADD_FAILURE() << "no schema " << desktop.schema
                    << " (Debian: cinnamon-desktop-data, mate-desktop-common)";
      continue;
    }
    auto wallpaper = create(desktop.desktop);
    ASSERT_EQ(wallpaper->setWallpaper(desktop.monitor, fitted_), kOk);
    for (const char* key : desktop.imageKeys) {
      SCOPED_TRACE(key);
      const std::string value =
          unquoteGvariant(outputOf({"gsettings", "get", desktop.schema, key}));
      const std::string path = desktop.keysHoldUri ? pathOfFileUri(value) : value;
      EXPECT_NE(path, fitted_) << "the desktop must be given a fresh copy";
      expectFittedImage(path);
    }
    // Each position's nick must be one the schema's enum accepts.
    const std::pair<WallpaperPosition, const char*> options[] = {
        {WallpaperPosition::center, "'centered'"},   {WallpaperPosition::tile, "'wallpaper'"},
        {WallpaperPosition::stretch, "'stretched'"}, {WallpaperPosition::fit, "'scaled'"},
        {WallpaperPosition::span, "'spanned'"},      {WallpaperPosition::fill, "'zoom'"}};
    for (const auto& [position, printed] : options) {
      EXPECT_EQ(wallpaper->setPosition(position), kOk) << printed;
      EXPECT_EQ(outputOf({"gsettings", "get", desktop.schema, "picture-options"}), printed);
    }
  }
  // dconf-service wrote into the test's world, not into a home of its own.
  EXPECT_TRUE(std::filesystem::exists(configHome_ + "/dconf/user"));
}

// As xfdesktop leaves the channel: monitor Virtual-1 with three workspaces, Virtual-2 with only
// a style on workspace 1, and a property of another kind that must be left alone.
// Empties the channel, so each test starts from what a new session has.
void resetXfdesktopChannel() {
  SpawnedCommandRunner runner;
  runner.run({"xfconf-query", "-c", "xfce4-desktop", "-p", "/", "-r", "-R"});
}

void seedXfdesktopChannel() {
  resetXfdesktopChannel();
  const std::vector<std::vector<std::string>> seeds = {
      {"/backdrop/screen0/monitorVirtual-1/workspace0/last-image", "string", "/old/0.jpg"},
      {"/backdrop/screen0/monitorVirtual-1/workspace1/last-image", "string", "/old/1.jpg"},
      {"/backdrop/screen0/monitorVirtual-1/workspace2/last-image", "string", "/old/2.jpg"},
      {"/backdrop/screen0/monitorVirtual-1/workspace2/image-style", "int", "1"},
      {"/backdrop/screen0/monitorVirtual-2/workspace1/image-style", "int", "3"},
      {"/desktop-icons/style", "int", "2"}};
  for (const auto& seed : seeds) {
    ASSERT_EQ(outputOf({"xfconf-query", "-c", "xfce4-desktop", "-p", seed[0], "--create", "-t",
                        seed[1], "-s", seed[2]}),
              "");
  }
}

std::string xfconfValue(const std::string& property) {
  return outputOf({"xfconf-query", "-c", "xfce4-desktop", "-p", property});
}

TEST_F(SessionServicesTest, XfconfdReadsBackTheCopyOnEveryWorkspaceOfEachMonitor) {
  seedXfdesktopChannel();
  auto wallpaper = create("xfce");
  ASSERT_EQ(monitorIds(*wallpaper), (std::vector<std::string>{"Virtual-1", "Virtual-2"}));
  ASSERT_EQ(wallpaper->setWallpaper("Virtual-1", fitted_), kOk);
  ASSERT_EQ(wallpaper->setWallpaper("Virtual-2", fitted_), kOk);
  ASSERT_EQ(wallpaper->setPosition(WallpaperPosition::fill), kOk);

  const std::vector<std::pair<std::string, std::vector<int>>> written = {{"Virtual-1", {0, 1, 2}},
                                                                         {"Virtual-2", {0, 1}}};
  for (const auto& [monitor, workspaces] : written) {
    std::string copy;
    for (const int workspace : workspaces) {
      const std::string folder =
          "/backdrop/screen0/monitor" + monitor + "/workspace" + std::to_string(workspace);
      SCOPED_TRACE(folder);
      const std::string image = xfconfValue(folder + "/last-image");
      expectFittedImage(image);
      EXPECT_TRUE(copy.empty() || image == copy) << "one copy per monitor";
      copy = image;
      EXPECT_EQ(xfconfValue(folder + "/image-style"), "5");
    }
  }
  EXPECT_EQ(xfconfValue("/desktop-icons/style"), "2");
  // Nothing invented for workspaces xfdesktop never had.
  EXPECT_TRUE(xfconfValue("/backdrop/screen0/monitorVirtual-2/workspace2/last-image")
                  .starts_with("<failed"));
}

// Before xfdesktop has written anything, monitors are named as XRandR names them, and every
// property is created.
TEST_F(SessionServicesTest, XfconfdTakesNewPropertiesForXrandrMonitorsOnAFreshChannel) {
  resetXfdesktopChannel();
  test::XvfbServer server("1280x480x24");
  ASSERT_TRUE(server.running()) << server.error();
  ASSERT_TRUE(test::runWithDisplay(
      server.display(), {"xrandr", "--setmonitor", "Left", "640/169x480/127+0+0", "screen"}));
  ASSERT_TRUE(test::runWithDisplay(
      server.display(), {"xrandr", "--setmonitor", "Right", "640/169x480/127+640+0", "none"}));
  environment_.set("DISPLAY", server.display());
  auto wallpaper = create("xfce");
  std::uint32_t count = 0;
  ASSERT_EQ(wallpaper->getMonitorDevicePathCount(count), kOk);
  ASSERT_EQ(count, 2u);
  for (const char* monitor : {"Left", "Right"}) {
    SCOPED_TRACE(monitor);
    ASSERT_EQ(wallpaper->setWallpaper(monitor, fitted_), kOk);
    const std::string folder = std::string("/backdrop/screen0/monitor") + monitor + "/workspace0";
    expectFittedImage(xfconfValue(folder + "/last-image"));
    EXPECT_EQ(xfconfValue(folder + "/image-style"), "5");
  }
}

}  // namespace
}  // namespace pixoria::platform
