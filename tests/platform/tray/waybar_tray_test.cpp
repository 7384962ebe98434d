// The notification icon in waybar's tray on the headless sway that with_headless_sway.sh starts:
// waybar is both the watcher (it brings its own) and the host, and grim's screenshot of its bar
// shows the icon. A second real tray beside status-notifier-watcher and gtk-sni-tray-standalone,
// written against a different D-Bus library.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "desktop/image_pixels.h"
#include "pixoria/platform/messages.h"
#include "pixoria/platform/tray.h"
#include "pixoria/platform/windows.h"
#include "support/child_process.h"
#include "tray/bus_client.h"
#include "tray/private_session_bus.h"
#include "windows/test_world.h"

namespace pixoria::platform {
namespace {

using test::BusClient;
using test::BusReply;
using test::RgbImage;

constexpr const char* kClass = "PIXORIA_WAYBAR_TRAY_TEST";
constexpr std::uint32_t kTrayMessage = kWmUser + 10;
constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr int kBarHeight = 40;

std::vector<std::pair<std::uint32_t, WParam>> posted;

LResult recordingProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  if (message == kWmCommand || message == kTrayMessage) {
    posted.emplace_back(message, wParam);
    return 0;
  }
  return defWindowProc(window, message, wParam, lParam);
}

class WaybarTrayTest : public testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("SWAYSOCK") == nullptr) {
      GTEST_SKIP() << "run through tests/platform/desktop/with_headless_sway.sh";
    }
    if (!test::runProgram({"sh", "-c", "command -v waybar"}, 5000)) {
      GTEST_SKIP() << "waybar is not installed (bash tools/setup.sh test)";
    }
    world_.setVariable("NO_AT_BRIDGE", "1");
    bus_ = std::make_unique<test::PrivateSessionBus>(world_.makeFolder("dbus"));
    ASSERT_FALSE(bus_->address().empty()) << "dbus-daemon did not start";
    world_.setVariable("DBUS_SESSION_BUS_ADDRESS", bus_->address().c_str());
    client_ = std::make_unique<BusClient>();
    startWaybar();

    registerWindowClass(kClass, recordingProc);
    window_ = createWindow(kClass, "waybar tray test");
    ASSERT_NE(window_, nullptr);
    posted.clear();
    icon_.window = window_;
    icon_.id = 1010;
    icon_.flags = kNifMessage | kNifIcon | kNifTip;
    icon_.callbackMessage = kTrayMessage;
    icon_.tip = "Pixoria Helper";
    appendMenuItem(menu_, 208, "Configuration");
    icon_.contextMenu = menu_;
  }

  void startWaybar() {
    const std::string config = world_.root() + "/waybar.json";
    const std::string style = world_.root() + "/waybar.css";
    std::ofstream(config) << R"({"layer": "top", "position": "top", "height": )" << kBarHeight
                          << R"(, "modules-right": ["tray"], "tray": {"icon-size": 32}})";
    std::ofstream(style) << "* { background: #303030; }\n";
    waybar_ = test::spawnProgram({"waybar", "-c", config, "-s", style});
    ASSERT_GT(waybar_, 0);
    ASSERT_TRUE(client_->pumpUntil([&] { return client_->nameHasOwner(kWatcherName); }, 15000))
        << "waybar did not start its tray's watcher";
  }

  void TearDown() override {
    if (window_ != nullptr) {
      notifyIconDelete(icon_);
      destroyWindow(window_);
    }
    destroyMenu(menu_);
    if (waybar_ > 0) {
      test::stopChild(waybar_);
    }
    client_.reset();
    bus_.reset();
  }

  // grim's picture of the whole (single) output.
  RgbImage screenshot() {
    const std::string path = world_.root() + "/shot.png";
    RgbImage shot;
    if (test::runProgram({"grim", path}, 5000)) {
      test::readPngPixels(path, shot);
    }
    return shot;
  }

  bool iconDrawn() {
    const RgbImage shot = screenshot();
    // The icon's hills and sun.
    return test::countPixelsNear(shot, kBarHeight, {56, 158, 77}, 40) >= 4 &&
           test::countPixelsNear(shot, kBarHeight, {255, 204, 56}, 40) >= 1;
  }

  std::string serviceName() const {
    return "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-1010";
  }

  test::TestWorld world_;
  std::unique_ptr<test::PrivateSessionBus> bus_;
  std::unique_ptr<BusClient> client_;
  pid_t waybar_ = -1;
  WindowHandle window_ = nullptr;
  MenuHandle menu_ = createPopupMenu();
  NotifyIconData icon_;
};

TEST_F(WaybarTrayTest, WaybarDrawsTheIconAndItsMenuPostsCommands) {
  ASSERT_FALSE(iconDrawn()) << "the bar shows the icon's colours before there is an icon";
  ASSERT_TRUE(notifyIconAdd(icon_));
  // The loop serves the item while waybar reads it and draws.
  EXPECT_TRUE(client_->pumpUntil([&] { return iconDrawn(); }, 15000))
      << "waybar did not draw the icon";
  BusReply clicked = client_->call(
      serviceName(), "/MenuBar", "com.canonical.dbusmenu", "Event", [](sd_bus_message* m) {
        return sd_bus_message_append(m, "isvu", 208, "clicked", "s", "", 0u);
      });
  ASSERT_TRUE(clicked) << client_->lastError;
  EXPECT_TRUE(client_->pumpUntil([&] {
    return !posted.empty() && posted.back().first == kWmCommand && posted.back().second == 208;
  }));
  notifyIconDelete(icon_);
  EXPECT_TRUE(client_->pumpUntil([&] { return !iconDrawn(); }, 10000))
      << "waybar still shows a removed icon";
}

}  // namespace
}  // namespace pixoria::platform
