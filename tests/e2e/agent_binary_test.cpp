// The real PixoriaHelper in an isolated world: started as a process, steered by posted messages,
// observed through the hive, the headless desktop's log and a real X server.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <functional>
#include <thread>

#include "agent/wallpaper_setter.h"
#include "e2e/app_window_stand_in.h"
#include "e2e/eventually.h"
#include "e2e/isolated_world.h"
#include "e2e/process_view.h"
#include "pixoria/common/image_fitting.h"
#include "pixoria/platform/messages.h"
#include "pixoria/platform/registry.h"
#include "pixoria/platform/windows.h"
#include "platform/desktop/root_window_probe.h"
#include "platform/desktop/xvfb_server.h"
#include "support/child_process.h"
#include "support/test_images.h"

namespace pixoria::test {
namespace {

namespace pf = platform;

constexpr const char* kClass = "PIXORIA";
constexpr const char* kTitle = "Corvane Pixoria Helper";
// Any image the agent still means to set is due within its apply delay.
constexpr std::chrono::milliseconds kApplyDelay{kApplyDelayMs};

// Waits as `eventually` does, handling this thread's window messages meanwhile.
bool handlingMessages(const std::function<bool()>& condition) {
  return eventually([&] {
    pf::dispatchPendingMessages();
    return condition();
  });
}

class AgentBinaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.setEnvironment("PIXORIA_SCREENS", "320x180,320x180");
    red = world.root() + "/red.jpg";
    blue = world.root() + "/blue.jpg";
    makeJpeg(red, {220, 20, 20});
    makeJpeg(blue, {20, 20, 220});
  }

  void TearDown() override {
    if (agent > 0) {
      stopChild(agent);
    }
  }

  void makeJpeg(const std::string& path, Rgb colour) {
    const std::string bmp = world.root() + "/source.bmp";
    writeBmp(bmp, 64, 36, [colour](int, int) { return colour; });
    fitImage(bmp, path, 64, 36, FitVariant::agent);
  }

  static void setDword(std::string_view name, std::uint32_t value) {
    IsolatedWorld::setSettingDword(name, value);
  }
  static void setString(std::string_view name, std::string_view value) {
    IsolatedWorld::setSettingString(name, value);
  }

  void setCustomList(bool enabled) {
    setDword("Enabled", enabled ? 1 : 0);
    setDword("Source", 3);
    setDword("multiMonitorSupport", 2);
    setDword("CustomCount", 2);
    setString("CustomFile0", red);
    setString("CustomFile1", blue);
  }

  void startAgent() {
    agent = spawnProgram({PIXORIA_AGENT_PROGRAM});
    ASSERT_GT(agent, 0);
    ASSERT_TRUE(eventually([] { return pf::findWindow(kClass, kTitle) != nullptr; }));
  }

  static void post(std::uint32_t message, pf::WParam wParam = 0) {
    ASSERT_TRUE(pf::postMessage(pf::findWindow(kClass, kTitle), message, wParam, 0));
  }

  void expectExitCode(int expected) {
    int status = 0;
    ASSERT_TRUE(waitForChild(agent, 8000, status));
    agent = -1;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), expected);
  }

  std::string desktopLog() const { return readFileBytes(world.desktopLog()); }

  IsolatedWorld world;
  std::string red;
  std::string blue;
  pid_t agent = -1;
};

TEST_F(AgentBinaryTest, CustomListOnTheHeadlessDesktopFromStartToClose) {
  setCustomList(true);
  startAgent();
  const std::string expected =
      "set 0 HEADLESS-1 " + blue + "\nset 1 HEADLESS-2 " + red + "\nposition fill\n";
  ASSERT_TRUE(eventually([&] { return desktopLog() == expected; })) << desktopLog();

  // A second start leaves at once and leaves the first alone.
  const pid_t second = spawnProgram({PIXORIA_AGENT_PROGRAM});
  int status = -1;
  ASSERT_TRUE(waitForChild(second, 5000, status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(kill(agent, 0), 0);

  // Any program reaches the agent through pixoria-post; kWmClose ends it.
  EXPECT_TRUE(runProgram({PIXORIA_POST_PROGRAM, kClass, kTitle, "16"}));
  expectExitCode(0);
  EXPECT_EQ(pf::findWindow(kClass, kTitle), nullptr);
  const pid_t post = spawnProgram({PIXORIA_POST_PROGRAM, kClass, kTitle, "16"});
  ASSERT_TRUE(waitForChild(post, 5000, status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);  // no such window
}

TEST_F(AgentBinaryTest, EnableThenReloadAppliesAndReloadAltActsTheSame) {
  setCustomList(false);
  AppWindowStandIn app;
  ASSERT_TRUE(app.created());
  startAgent();
  // The agent loads its settings before it reads its first message: once it answers one, a
  // disabled start has set nothing and left nothing due.
  ASSERT_TRUE(app.roundTrip(pf::findWindow(kClass, kTitle), handlingMessages));
  EXPECT_TRUE(nothingDueWithin(agent, kApplyDelay));
  EXPECT_EQ(desktopLog(), "");

  setDword("Enabled", 1);
  setDword("multiMonitorSupport", 0);
  post(1326);
  post(1324);
  ASSERT_TRUE(eventually([&] { return desktopLog().find(red) != std::string::npos; }));
  setDword("CustomIndex", 1);
  post(1325);
  ASSERT_TRUE(eventually([&] { return desktopLog().find(blue) != std::string::npos; }));

  post(1327);
  post(pf::kWmCommand, 210);  // "Close"
  expectExitCode(0);
}

TEST_F(AgentBinaryTest, CustomListOnTwoX11Monitors) {
  XvfbServer xvfb("640x180x24");
  ASSERT_TRUE(xvfb.running()) << xvfb.error();
  ASSERT_TRUE(runWithDisplay(xvfb.display(),
                             {"xrandr", "--setmonitor", "L", "320/85x180/48+0+0", "screen"}));
  ASSERT_TRUE(runWithDisplay(xvfb.display(),
                             {"xrandr", "--setmonitor", "R", "320/85x180/48+320+0", "none"}));
  world.setEnvironment("DISPLAY", xvfb.display());
  world.setEnvironment("PIXORIA_DESKTOP", "x11");
  setCustomList(true);
  startAgent();
  RootWindowProbe root(xvfb.display());
  ASSERT_TRUE(root.connected());
  // Dual-monitor mode: the first monitor shows the second image.
  ASSERT_TRUE(eventually([&] { return root.pixelAt(160, 90).b > 180; }));
  ASSERT_TRUE(eventually([&] { return root.pixelAt(480, 90).r > 180; }));
  post(pf::kWmClose);
  expectExitCode(0);
}

}  // namespace
}  // namespace pixoria::test
