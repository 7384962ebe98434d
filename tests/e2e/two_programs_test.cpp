// The configuration application and the real agent together, in an isolated world on the
// headless desktop with a loopback Bing server: the application's own window and form (linked
// in, clicked with QTest) start the PixoriaHelper program that the hive's Path names, steer it by
// changing the source, and stop it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QSpinBox>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "agent/wallpaper_setter.h"
#include "e2e/isolated_world.h"
#include "e2e/process_view.h"
#include "form/auto_pixoria_form.h"
#include "pixoria/common/image_fitting.h"
#include "pixoria/platform/messages.h"
#include "pixoria/platform/registry.h"
#include "pixoria/platform/windows.h"
#include "support/fixture_server.h"
#include "support/test_images.h"
#include "window/main_window.h"

namespace pixoria::test {
namespace {

namespace pf = platform;

constexpr const char* kClass = "PIXORIA";
constexpr const char* kTitle = "Corvane Pixoria Helper";
// The agent's "Configuration" command: it asks the application's window to restore itself.
constexpr pf::WParam kConfigurationCommand = 208;
// Any image the agent still means to set is due within its apply delay.
constexpr std::chrono::milliseconds kApplyDelay{kApplyDelayMs};

bool eventually(const std::function<bool()>& condition, int timeoutMs = 15000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    QTest::qWait(20);
  }
  return true;
}

void setValue(std::string_view name, std::uint32_t value) {
  pf::RegKey key = nullptr;
  ASSERT_EQ(pf::regCreateKey("Software\\Corvane Pixoria", key), pf::kErrorSuccess);
  pf::regSetDword(key, name, value);
  pf::regCloseKey(key);
}

void setValue(std::string_view name, const std::string& value) {
  pf::RegKey key = nullptr;
  ASSERT_EQ(pf::regCreateKey("Software\\Corvane Pixoria", key), pf::kErrorSuccess);
  pf::regSetString(key, name, value);
  pf::regCloseKey(key);
}

class TwoProgramsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // No real session bus: the agent's tray finds none and goes on without.
    world.setEnvironment("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + world.root() + "/no-bus");
    served = world.root() + "/served";
    std::filesystem::create_directories(served);
    writeFileBytes(served + "/HPImageArchive.aspx",
                   readFileBytes(std::string(PIXORIA_TEST_FIXTURES) + "/feeds/bing_archive.xml"));
    makeJpeg(served + "/th", {240, 200, 10});
    FixtureServerOptions options;
    options.folder = served;
    server = std::make_unique<FixtureServer>(options);
    ASSERT_TRUE(server->running()) << server->error();
    world.setEnvironment("PIXORIA_BING_ORIGIN", server->url(""));
    world.setEnvironment("PIXORIA_BING_IMAGE_BASE", server->url(""));

    // A user who ran the changer before: the agent applies a download only over an image that
    // is already in place.
    std::filesystem::create_directories(world.wallpaperFolder());
    makeJpeg(world.wallpaperFolder() + "/image.jpg", {90, 90, 90});

    red = world.root() + "/red.jpg";
    blue = world.root() + "/blue.jpg";
    makeJpeg(red, {220, 20, 20});
    makeJpeg(blue, {20, 20, 220});
    setValue("Path", std::filesystem::path(PIXORIA_AGENT_PROGRAM).parent_path().string());
    setValue("CustomCount", 2);
    setValue("CustomFile0", red);
    setValue("CustomFile1", blue);
  }

  void TearDown() override {
    window.reset();
    // The agent outlives the application: close it as a user would, from its menu.
    if (pf::WindowHandle agent = pf::findWindow(kClass, kTitle)) {
      pf::postMessage(agent, pf::kWmClose, 0, 0);
      EXPECT_TRUE(eventually([] { return pf::findWindow(kClass, kTitle) == nullptr; }, 8000));
    }
  }

  void makeJpeg(const std::string& path, Rgb colour) {
    const std::string bmp = world.root() + "/source.bmp";
    writeBmp(bmp, 64, 36, [colour](int, int) { return colour; });
    fitImage(bmp, path, 64, 36, FitVariant::agent);
  }

  std::string desktopLog() const { return readFileBytes(world.desktopLog()); }

  // The desktop's lines from the agent: the application sets only its own temp_image2.jpg.
  std::size_t agentLines() const {
    std::size_t count = 0;
    const std::string log = desktopLog();
    for (std::size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos;
         start = end + 1) {
      if (log.compare(start, end - start, "position fill") != 0 &&
          log.substr(start, end - start).find("temp_image2.jpg") == std::string::npos) {
        ++count;
      }
    }
    return count;
  }

  template <typename Widget>
  Widget* control(const char* name) const {
    return window->hostedForm()->findChild<Widget*>(QString::fromLatin1(name));
  }

  IsolatedWorld world;
  std::string served;
  std::unique_ptr<FixtureServer> server;
  std::string red;
  std::string blue;
  std::unique_ptr<MainWindow> window;
};

TEST_F(TwoProgramsTest, StartSourceChangeAndStopReachTheRealAgent) {
  window = std::make_unique<MainWindow>();
  window->show();
  ASSERT_EQ(pf::findWindow(kClass, kTitle), nullptr);

  QTest::mouseClick(control<QAbstractButton>("startButton"), Qt::LeftButton);
  ASSERT_TRUE(eventually([] { return pf::findWindow(kClass, kTitle) != nullptr; }));
  // The agent applies Bing's current image to the one monitor.
  ASSERT_TRUE(eventually([&] { return agentLines() >= 1; })) << desktopLog();
  EXPECT_NE(desktopLog().find("set 0 HEADLESS-1 " + world.wallpaperFolder() + "/image.jpg\n"),
            std::string::npos)
      << desktopLog();

  // The custom list: the agent sets its first file.
  control<QComboBox>("pixoriaSourceComboBox")->setCurrentIndex(3);
  ASSERT_TRUE(eventually([&] {
    return desktopLog().find("HEADLESS-1 " + red) != std::string::npos;
  })) << desktopLog();

  // Stopped, the agent takes no more changes, not even when settings change.
  QTest::mouseClick(control<QAbstractButton>("stopButton"), Qt::LeftButton);
  const std::size_t linesAtStop = agentLines();
  control<QSpinBox>("pixoriaTimeSpinBox")->setValue(2);
  // The agent acts on a message at once or through a timer. A round trip through its queue shows
  // the first: its restore request for this window comes after it handled the stop and the
  // change. Its timers show the second: any image it would still set is due within the delay.
  const pf::WindowHandle agent = pf::findWindow(kClass, kTitle);
  ASSERT_NE(agent, nullptr);
  window->showMinimized();
  ASSERT_TRUE(pf::postMessage(agent, pf::kWmCommand, kConfigurationCommand, 0));
  ASSERT_TRUE(eventually([&] { return !window->isMinimized(); }));
  EXPECT_TRUE(nothingDueWithin(childRunning(PIXORIA_AGENT_PROGRAM), kApplyDelay));
  EXPECT_EQ(agentLines(), linesAtStop) << desktopLog();
  EXPECT_NE(pf::findWindow(kClass, kTitle), nullptr);
  std::uint32_t enabled = 1;
  EXPECT_EQ(pf::regGetDword(nullptr, "Software\\Corvane Pixoria", "Enabled", enabled),
            pf::kErrorSuccess);
  EXPECT_EQ(enabled, 0u);
}

}  // namespace
}  // namespace pixoria::test

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
