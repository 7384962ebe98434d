// The script the KDE backend sends to plasmashell, run through QJSEngine (the engine Plasma's
// desktop scripting runs on) against a stand-in for Plasma's desktops() that records what the
// script writes. plasmashell itself cannot run here; this proves the script runs and does what
// the backend means, for the exact text the backend hands to dbus-send.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJSEngine>
#include <QJSValue>

#include "desktop/kde_desktop.h"
#include "desktop_test_environment.h"
#include "pixoria/platform/desktop_wallpaper.h"
#include "recording_command_runner.h"

namespace pixoria::platform {
namespace {

// Three containments as Plasma keeps them (two activities on screen 0, one on screen 1). Each
// records its writes as "screen|plugin|group|key=value", the plugin being the one set at the
// time, as Plasma keys a containment's wallpaper settings by it.
constexpr const char* kDesktopsStandIn = R"(
var written = [];
function containment(screen) {
  return {
    screen: screen,
    wallpaperPlugin: "org.kde.color",
    currentConfigGroup: [],
    writeConfig: function (key, value) {
      written.push(this.screen + "|" + this.wallpaperPlugin + "|" +
                   this.currentConfigGroup.join("/") + "|" + key + "=" + value);
    }
  };
}
var containments = [containment(0), containment(1), containment(0)];
function desktops() { return containments; }
)";

struct ScriptRun {
  QString error;  // empty when the script ran to its end
  QStringList written;
  QStringList plugins;  // each containment's wallpaper plugin afterwards
};

ScriptRun runInPlasmaStandIn(const std::string& script) {
  QJSEngine engine;
  engine.evaluate(QString::fromUtf8(kDesktopsStandIn));
  const QJSValue result = engine.evaluate(QString::fromStdString(script), "pixoria-wallpaper.js");
  ScriptRun run;
  if (result.isError()) {
    run.error = result.toString();
  }
  run.written = engine.evaluate("written").toVariant().toStringList();
  run.plugins = engine.evaluate("containments.map(function (c) { return c.wallpaperPlugin; })")
                    .toVariant()
                    .toStringList();
  return run;
}

class PlasmaScriptTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "plasma_script_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
  }

  // The script the backend passes to dbus-send for `monitor`.
  std::string scriptSentFor(const char* monitor, const std::string& image) {
    environment_.set("PIXORIA_DESKTOP", "kde");
    environment_.set("DISPLAY", std::nullopt);
    environment_.set("XDG_DATA_HOME", folder_.path() + "/data");
    std::unique_ptr<DesktopWallpaper> wallpaper;
    EXPECT_EQ(createDesktopWallpaper(wallpaper), kOk);
    EXPECT_EQ(wallpaper->setWallpaper(monitor, image), kOk);
    for (const auto& call : runner_.calls) {
      if (!call.empty() && call[0] == "dbus-send" && call.back().starts_with("string:")) {
        return call.back().substr(7);
      }
    }
    ADD_FAILURE() << "no dbus-send with a script";
    return {};
  }

  test::TemporaryFolder folder_;
  test::ScopedEnvironment environment_;
  test::RecordingCommandRunner runner_;
};

TEST_F(PlasmaScriptTest, TheSentScriptSetsTheImageWithFillOnEveryDesktopOfItsScreenOnly) {
  const std::string image = folder_.path() + "/lake.jpg";
  ASSERT_TRUE(test::writeFile(image, "jpeg"));
  const ScriptRun run = runInPlasmaStandIn(scriptSentFor("KDE-1", image));
  ASSERT_TRUE(run.error.isEmpty()) << run.error.toStdString();

  const std::string copyPrefix = "file://" + folder_.path() + "/data/pixoria/desktop/KDE-1-";
  ASSERT_EQ(run.written.size(), 4);
  for (int desktop = 0; desktop < 2; ++desktop) {
    const std::string image = run.written[2 * desktop].toStdString();
    const std::string prefix = "0|org.kde.image|Wallpaper/org.kde.image/General|Image=";
    ASSERT_TRUE(image.starts_with(prefix)) << image;
    EXPECT_TRUE(image.substr(prefix.size()).starts_with(copyPrefix)) << image;
    EXPECT_EQ(run.written[2 * desktop + 1].toStdString(),
              "0|org.kde.image|Wallpaper/org.kde.image/General|FillMode=2");
  }
  EXPECT_EQ(run.plugins, (QStringList{"org.kde.image", "org.kde.color", "org.kde.image"}));
}

TEST_F(PlasmaScriptTest, QuotesBackslashesAndNonAsciiArriveUnchangedAndABrokenScriptIsCaught) {
  // The script generator is given URIs as they are; this one holds everything a JavaScript
  // string must escape, short of the control characters it refuses.
  const std::string uri = "file:///tmp/it's \"quoted\" \\ </script> ${x} dätä 😀.jpg";
  std::string script;
  ASSERT_TRUE(plasmaWallpaperScript(1, uri, script));
  const ScriptRun run = runInPlasmaStandIn(script);
  ASSERT_TRUE(run.error.isEmpty()) << run.error.toStdString();
  ASSERT_EQ(run.written.size(), 2);
  EXPECT_EQ(run.written[0].toStdString(),
            "1|org.kde.image|Wallpaper/org.kde.image/General|Image=" + uri);

  // The stand-in reports a script that does not run, so a clean run above means something.
  script.pop_back();
  script.pop_back();  // the loop's closing brace
  EXPECT_FALSE(runInPlasmaStandIn(script).error.isEmpty());
}

}  // namespace
}  // namespace pixoria::platform
