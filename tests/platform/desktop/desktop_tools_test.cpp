// The desktops driven through their own tools, checked by the exact commands they run (recorded,
// with scripted answers) and by the wallpaper copies they leave in the data folder.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "desktop_test_environment.h"
#include "pixoria/platform/desktop_wallpaper.h"
#include "pixoria/platform/screen.h"
#include "recording_command_runner.h"

namespace pixoria::platform {
namespace {

using test::monitorIds;
using test::readFile;
using test::RecordingCommandRunner;
using test::ScopedEnvironment;
using test::TemporaryFolder;
using test::writeFile;
using Arguments = std::vector<std::string>;

constexpr HResult kFileNotFound = static_cast<HResult>(0x80070002);

class DesktopToolsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty());
    // A data folder whose path needs URI encoding and quoting: a space, a quote, non-ASCII.
    dataHome_ = folder_.path() + "/dätä home's";
    environment_.set("HOME", folder_.path());
    environment_.set("XDG_DATA_HOME", dataHome_);
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK", "XDG_CURRENT_DESKTOP"}) {
      environment_.set(name, std::nullopt);
    }
    ASSERT_TRUE(std::filesystem::create_directories(folder_.path() + "/my pictures"));
    imagePath_ = folder_.path() + "/my pictures/lake #1.JPG";
    ASSERT_TRUE(writeFile(imagePath_, "image bytes"));
  }

  std::unique_ptr<DesktopWallpaper> create(const char* desktop) {
    environment_.set("PIXORIA_DESKTOP", desktop);
    std::unique_ptr<DesktopWallpaper> wallpaper;
    EXPECT_EQ(createDesktopWallpaper(wallpaper), kOk);
    return wallpaper;
  }

  std::string copyFolder() const { return dataHome_ + "/pixoria/desktop"; }

  // The copies in the data folder, oldest first.
  std::vector<std::string> copies() const {
    std::vector<std::string> paths;
    if (std::filesystem::exists(copyFolder())) {
      for (const auto& entry : std::filesystem::directory_iterator(copyFolder())) {
        paths.push_back(entry.path().string());
      }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
  }

  // The URI of a copy: the folder part percent-encoded, the copy's own name plain.
  std::string uriOf(const std::string& copy) const {
    return "file://" + folder_.path() + "/d%C3%A4t%C3%A4%20home%27s/pixoria/desktop/" +
           copy.substr(copy.rfind('/') + 1);
  }

  TemporaryFolder folder_;
  ScopedEnvironment environment_;
  RecordingCommandRunner runner_;
  std::string dataHome_;
  std::string imagePath_;
};

TEST_F(DesktopToolsTest, GnomeWritesBothUrisOfAFreshCopyAndZoomForFill) {
  auto wallpaper = create("gnome");
  std::uint32_t count = 0;
  ASSERT_EQ(wallpaper->getMonitorDevicePathCount(count), kOk);
  ASSERT_EQ(count, 1u);
  std::string id;
  ASSERT_EQ(wallpaper->getMonitorDevicePathAt(0, id), kOk);
  EXPECT_EQ(id, "GNOME");
  EXPECT_EQ(wallpaper->getMonitorDevicePathAt(1, id), kInvalidArg);

  ASSERT_EQ(wallpaper->setWallpaper("GNOME", imagePath_), kOk);
  ASSERT_EQ(wallpaper->setPosition(WallpaperPosition::fill), kOk);
  const std::vector<std::string> made = copies();
  ASSERT_EQ(made.size(), 1u);
  EXPECT_TRUE(made[0].ends_with(".jpg")) << made[0];
  EXPECT_EQ(readFile(made[0]), "image bytes");
  const std::string value = "'" + uriOf(made[0]) + "'";
  const std::string schema = "org.gnome.desktop.background";
  EXPECT_EQ(runner_.calls,
            (std::vector<Arguments>{{"gsettings", "set", schema, "picture-uri", value},
                                    {"gsettings", "set", schema, "picture-uri-dark", value},
                                    {"gsettings", "set", schema, "picture-options", "zoom"}}));
}

TEST_F(DesktopToolsTest, CinnamonTakesAUriAndMateAQuotedPath) {
  auto cinnamon = create("cinnamon");
  ASSERT_EQ(cinnamon->setWallpaper("CINNAMON", imagePath_), kOk);
  ASSERT_EQ(cinnamon->setPosition(WallpaperPosition::stretch), kOk);
  const std::string cinnamonCopy = copies().back();
  auto mate = create("mate");
  ASSERT_EQ(mate->setWallpaper("MATE", imagePath_), kOk);
  const std::string mateCopy = copies().back();
  ASSERT_EQ(copies().size(), 2u);

  // GVariant text: the quote in the folder name is escaped, the rest passes as UTF-8.
  std::string quoted = mateCopy;
  quoted.replace(quoted.find("home's"), 6, "home\\'s");
  EXPECT_EQ(
      runner_.calls,
      (std::vector<Arguments>{
          {"gsettings", "set", "org.cinnamon.desktop.background", "picture-uri",
           "'" + uriOf(cinnamonCopy) + "'"},
          {"gsettings", "set", "org.cinnamon.desktop.background", "picture-options", "stretched"},
          {"gsettings", "set", "org.mate.background", "picture-filename", "'" + quoted + "'"}}));
}

TEST_F(DesktopToolsTest, CopiesAreReplacedTwoDeepAndRemovedWhenTheSettingFails) {
  auto wallpaper = create("gnome");
  for (int round = 0; round < 4; ++round) {
    ASSERT_EQ(wallpaper->setWallpaper("GNOME", imagePath_), kOk);
  }
  const std::vector<std::string> kept = copies();
  ASSERT_EQ(kept.size(), 2u);
  // The newest copy is the one the desktop was last told about.
  EXPECT_EQ(runner_.calls.back().back(), "'" + uriOf(kept[1]) + "'");

  // A desktop older than picture-uri-dark: the image still counts as set.
  runner_.answer({"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark"},
                 RecordingCommandRunner::exited(1));
  testing::internal::CaptureStderr();
  EXPECT_EQ(wallpaper->setWallpaper("GNOME", imagePath_), kOk);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("gsettings exited with status 1"),
            std::string::npos);
  EXPECT_EQ(copies().size(), 2u);
  const std::vector<std::string> before = copies();

  // The main key refused: the new copy goes, the ones shown stay.
  CommandOutcome refused = RecordingCommandRunner::exited(1);
  refused.errorOutput = "No such schema \xE2\x80\x9Corg.gnome.desktop.background\xE2\x80\x9D\nmore";
  runner_.answer({"gsettings", "set", "org.gnome.desktop.background", "picture-uri"}, refused);
  testing::internal::CaptureStderr();
  EXPECT_EQ(wallpaper->setWallpaper("GNOME", imagePath_), kFail);
  const std::string diagnostic = testing::internal::GetCapturedStderr();
  EXPECT_NE(diagnostic.find("gnome desktop: gsettings exited with status 1: No such schema"),
            std::string::npos)
      << diagnostic;
  EXPECT_EQ(diagnostic.find("more"), std::string::npos) << "only the first line is kept";
  EXPECT_EQ(copies(), before);
}

TEST_F(DesktopToolsTest, RefusesWrongMonitorsMissingFilesAndMissingTools) {
  auto wallpaper = create("gnome");
  EXPECT_EQ(wallpaper->setWallpaper("MATE", imagePath_), kInvalidArg);
  EXPECT_EQ(wallpaper->setWallpaper("GNOME", folder_.path() + "/gone.jpg"), kFileNotFound);
  EXPECT_TRUE(runner_.calls.empty());
  EXPECT_TRUE(copies().empty());

  runner_.answer({"gsettings"}, RecordingCommandRunner::notStarted(ENOENT));
  testing::internal::CaptureStderr();
  EXPECT_EQ(wallpaper->setWallpaper("GNOME", imagePath_), kFail);
  EXPECT_EQ(wallpaper->setPosition(WallpaperPosition::fill), kFail);
  const std::string diagnostic = testing::internal::GetCapturedStderr();
  EXPECT_NE(diagnostic.find("gnome desktop: cannot run gsettings: No such file or directory"),
            std::string::npos)
      << diagnostic;
  EXPECT_TRUE(copies().empty());
}

TEST_F(DesktopToolsTest, KdeEvaluatesAScriptForTheScreenOverDbus) {
  auto wallpaper = create("kde");
  std::uint32_t count = 0;
  ASSERT_EQ(wallpaper->getMonitorDevicePathCount(count), kOk);
  EXPECT_EQ(count, 1u) << "without a display Plasma is taken to have one screen";
  std::string id;
  ASSERT_EQ(wallpaper->getMonitorDevicePathAt(0, id), kOk);
  EXPECT_EQ(id, "KDE-1");
  for (const char* wrong : {"KDE-2", "KDE-0", "KDE-01", "KDE-", "KDE-1x", "GNOME"}) {
    EXPECT_EQ(wallpaper->setWallpaper(wrong, imagePath_), kInvalidArg) << wrong;
  }
  ASSERT_EQ(wallpaper->setWallpaper("KDE-1", imagePath_), kOk);
  EXPECT_EQ(wallpaper->setPosition(WallpaperPosition::fill), kOk);
  EXPECT_EQ(wallpaper->setPosition(WallpaperPosition::tile), kNotImplemented);

  ASSERT_EQ(runner_.calls.size(), 1u);
  const Arguments& call = runner_.calls[0];
  ASSERT_EQ(call.size(), 9u);
  EXPECT_EQ(Arguments(call.begin(), call.end() - 1),
            (Arguments{"dbus-send", "--session", "--print-reply", "--reply-timeout=4000",
                       "--type=method_call", "--dest=org.kde.plasmashell", "/PlasmaShell",
                       "org.kde.PlasmaShell.evaluateScript"}));
  const std::string& script = call.back();
  EXPECT_TRUE(script.starts_with("string:var image = \"" + uriOf(copies().at(0)) + "\";\n"))
      << script;
  EXPECT_NE(script.find("if (desktop.screen != 0) continue;"), std::string::npos);
  EXPECT_NE(script.find("desktop.wallpaperPlugin = \"org.kde.image\";"), std::string::npos);
  EXPECT_NE(script.find("desktop.writeConfig(\"Image\", image);"), std::string::npos);
  EXPECT_NE(script.find("desktop.writeConfig(\"FillMode\", 2);"), std::string::npos);
}

constexpr char kXfceListing[] =
    "/backdrop/screen0/monitorHDMI-1/workspace0/color-style\n"
    "/backdrop/screen0/monitorHDMI-1/workspace0/image-style\n"
    "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
    "/backdrop/screen0/monitorHDMI-1/workspace1/last-image\n"
    "/backdrop/single-workspace-mode\n"
    "/backdrop/screen0/monitoreDP 1/workspace0/color-style\n"
    "/desktop-icons/file-icons/show-home\n";

TEST_F(DesktopToolsTest, XfceWritesEachWorkspaceOfTheMonitorCreatingWhatIsMissing) {
  runner_.answerOutput({"xfconf-query", "-c", "xfce4-desktop", "-l"}, kXfceListing);
  auto wallpaper = create("xfce");
  ASSERT_EQ(monitorIds(*wallpaper), (std::vector<std::string>{"HDMI-1", "eDP 1"}));
  EXPECT_EQ(wallpaper->setWallpaper("HDMI", imagePath_), kInvalidArg);

  runner_.calls.clear();
  ASSERT_EQ(wallpaper->setWallpaper("eDP 1", imagePath_), kOk);
  ASSERT_EQ(wallpaper->setWallpaper("HDMI-1", imagePath_), kOk);
  const std::vector<std::string> made = copies();
  ASSERT_EQ(made.size(), 2u);
  const std::string& hdmiCopy = made[0].find("HDMI-1-") != std::string::npos ? made[0] : made[1];
  const std::string& edpCopy = made[0].find("eDP_1-") != std::string::npos ? made[0] : made[1];
  const Arguments query = {"xfconf-query", "-c", "xfce4-desktop", "-p"};
  const auto call = [&](const std::string& property, Arguments rest) {
    Arguments arguments = query;
    arguments.push_back("/backdrop/screen0/monitor" + property);
    arguments.insert(arguments.end(), rest.begin(), rest.end());
    return arguments;
  };
  EXPECT_EQ(runner_.calls,
            (std::vector<Arguments>{
                call("eDP 1/workspace0/last-image", {"--create", "-t", "string", "-s", edpCopy}),
                call("eDP 1/workspace0/image-style", {"--create", "-t", "int", "-s", "5"}),
                call("HDMI-1/workspace0/last-image", {"-s", hdmiCopy}),
                call("HDMI-1/workspace0/image-style", {"-s", "5"}),
                call("HDMI-1/workspace1/last-image", {"-s", hdmiCopy}),
                call("HDMI-1/workspace1/image-style", {"--create", "-t", "int", "-s", "5"})}));

  // Created once, the properties are then written plainly.
  runner_.calls.clear();
  ASSERT_EQ(wallpaper->setWallpaper("eDP 1", imagePath_), kOk);
  ASSERT_EQ(runner_.calls.size(), 2u);
  EXPECT_EQ(runner_.calls[0][5], "-s");
}

TEST_F(DesktopToolsTest, XfceWithoutMonitorsOrToolFailsTheCount) {
  runner_.answer({"xfconf-query"}, RecordingCommandRunner::exited(1));
  auto wallpaper = create("xfce");
  std::uint32_t count = 7;
  testing::internal::CaptureStderr();
  EXPECT_EQ(wallpaper->getMonitorDevicePathCount(count), kFail);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("no monitors"), std::string::npos);
  EXPECT_EQ(count, 0u);

  runner_.answer({"xfconf-query"}, RecordingCommandRunner::notStarted(ENOENT));
  testing::internal::CaptureStderr();
  EXPECT_EQ(wallpaper->setWallpaper("HDMI-1", imagePath_), kFail);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot run xfconf-query"),
            std::string::npos);
}

constexpr char kSwayOutputs[] = R"([
  {"id": 4, "name": "eDP-1", "active": true, "focused": false,
   "rect": {"x": 0, "y": 0, "width": 1280, "height": 800},
   "current_mode": {"width": 2560, "height": 1600, "refresh": 60002},
   "modes": [{"width": 2560, "height": 1600, "refresh": 60002}]},
  {"id": 5, "name": "HDMI-A-1", "active": false, "rect": {"x": 0, "y": 0, "width": 0,
   "height": 0}, "current_mode": null},
  {"name": "DP-2", "rect": {"x": 1280, "y": 0, "width": 1920, "height": 1080}}
])";

TEST_F(DesktopToolsTest, SwaySetsTheActiveOutputsByName) {
  dataHome_ = folder_.path() + "/data";
  environment_.set("XDG_DATA_HOME", dataHome_);
  runner_.answerOutput({"swaymsg", "-t", "get_outputs", "-r"}, kSwayOutputs);
  auto wallpaper = create("sway");
  std::uint32_t count = 0;
  ASSERT_EQ(wallpaper->getMonitorDevicePathCount(count), kOk);
  ASSERT_EQ(count, 2u);
  std::string id;
  ASSERT_EQ(wallpaper->getMonitorDevicePathAt(1, id), kOk);
  EXPECT_EQ(id, "DP-2");
  EXPECT_EQ(wallpaper->setWallpaper("HDMI-A-1", imagePath_), kInvalidArg) << "inactive";

  runner_.calls.clear();
  ASSERT_EQ(wallpaper->setWallpaper("DP-2", imagePath_), kOk);
  EXPECT_EQ(wallpaper->setPosition(WallpaperPosition::fill), kOk);
  ASSERT_EQ(copies().size(), 1u);
  EXPECT_EQ(runner_.calls,
            (std::vector<Arguments>{{"swaymsg", "output", "DP-2", "bg", copies()[0], "fill"}}));

  // The primary size is the first active output's mode, in pixels.
  EXPECT_EQ(getSystemMetrics(SystemMetric::screenWidth), 2560);
  EXPECT_EQ(getSystemMetrics(SystemMetric::screenHeight), 1600);
}

TEST_F(DesktopToolsTest, SwayRefusesPathsItWouldSplitAndOutputListsItCannotRead) {
  runner_.answerOutput({"swaymsg", "-t", "get_outputs", "-r"}, kSwayOutputs);
  auto wallpaper = create("sway");
  // The data folder holds a space and a quote, which sway's command parser would change.
  testing::internal::CaptureStderr();
  EXPECT_EQ(wallpaper->setWallpaper("eDP-1", imagePath_), kInvalidArg);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("sway would split"), std::string::npos);
  EXPECT_TRUE(copies().empty());

  runner_.answerOutput({"swaymsg", "-t", "get_outputs", "-r"}, R"([{"name": "eDP-1")");
  std::uint32_t count = 0;
  testing::internal::CaptureStderr();
  EXPECT_EQ(wallpaper->getMonitorDevicePathCount(count), kFail);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("no output list"), std::string::npos);
  EXPECT_EQ(getSystemMetrics(SystemMetric::screenWidth), 0);
}

TEST_F(DesktopToolsTest, TheSessionPicksTheDesktop) {
  environment_.set("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
  environment_.set("DISPLAY", ":99");
  environment_.set("PIXORIA_DESKTOP", std::nullopt);
  std::unique_ptr<DesktopWallpaper> wallpaper;
  ASSERT_EQ(createDesktopWallpaper(wallpaper), kOk);
  std::string id;
  ASSERT_EQ(wallpaper->getMonitorDevicePathAt(0, id), kOk);
  EXPECT_EQ(id, "GNOME");
}

}  // namespace
}  // namespace pixoria::platform
