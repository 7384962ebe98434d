// The notification icon against a tray made of Debian's own programs, on a private session bus
// and a private X server: status-notifier-watcher (haskell-status-notifier-item-utils) as the
// watcher, gtk-sni-tray-standalone (haskell-gtk-sni-tray-utils) as the host that draws the icon.
// The menu and the icon are then driven over D-Bus the way such a host drives them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/xvfb_server.h"
#include "pixoria/platform/messages.h"
#include "pixoria/platform/tray.h"
#include "pixoria/platform/windows.h"
#include "support/child_process.h"
#include "tray/bus_client.h"
#include "tray/private_session_bus.h"
#include "tray/screen_grab.h"
#include "windows/test_world.h"

namespace pixoria::platform {
namespace {

using test::BusClient;
using test::BusReply;

constexpr const char* kClass = "PIXORIA_REAL_TRAY_TEST";
constexpr std::uint32_t kTrayMessage = kWmUser + 10;
constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr int kBarHeight = 40;
constexpr int kScreenWidth = 320;
// Two of the icon's own colours, far from any grey a tray paints: the hills and the sun.
constexpr test::Rgb8 kHillGreen{56, 158, 77};
constexpr test::Rgb8 kSunYellow{255, 204, 56};

std::vector<std::pair<std::uint32_t, WParam>> posted;

LResult recordingProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  if (message == kWmCommand || message == kTrayMessage) {
    posted.emplace_back(message, message == kTrayMessage ? static_cast<WParam>(lParam) : wParam);
    return 0;
  }
  return defWindowProc(window, message, wParam, lParam);
}

bool installed(const char* program) {
  return test::runProgram({"sh", "-c", std::string("command -v ") + program}, 5000);
}

// A program of the real tray, stopped when this goes.
class TrayProgram {
 public:
  explicit TrayProgram(const std::vector<std::string>& arguments)
      : pid_(test::spawnProgram(arguments)) {}
  ~TrayProgram() {
    if (pid_ > 0) {
      test::stopChild(pid_);
    }
  }
  TrayProgram(const TrayProgram&) = delete;
  TrayProgram& operator=(const TrayProgram&) = delete;

 private:
  pid_t pid_;
};

class RealTrayTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"status-notifier-watcher", "gtk-sni-tray-standalone"}) {
      if (!installed(program)) {
        GTEST_SKIP() << program << " is not installed (bash tools/setup.sh test)";
      }
    }
    world_.setVariable("XDG_RUNTIME_DIR", world_.root().c_str());
    world_.setVariable("HOME", world_.root().c_str());
    world_.setVariable("NO_AT_BRIDGE", "1");  // no accessibility bus for the GTK host
    bus_ = std::make_unique<test::PrivateSessionBus>(world_.makeFolder("dbus"));
    ASSERT_FALSE(bus_->address().empty()) << "dbus-daemon did not start";
    world_.setVariable("DBUS_SESSION_BUS_ADDRESS", bus_->address().c_str());
    xvfb_ = std::make_unique<test::XvfbServer>(std::to_string(kScreenWidth) + "x240x24");
    ASSERT_TRUE(xvfb_->running()) << xvfb_->error();
    world_.setVariable("DISPLAY", xvfb_->display().c_str());
    client_ = std::make_unique<BusClient>();

    watcher_ = std::make_unique<TrayProgram>(std::vector<std::string>{"status-notifier-watcher"});
    ASSERT_TRUE(client_->pumpUntil([&] { return client_->nameHasOwner(kWatcherName); }, 10000))
        << "status-notifier-watcher did not take its name";
    host_ = std::make_unique<TrayProgram>(
        std::vector<std::string>{"gtk-sni-tray-standalone", "--top", "--size",
                                 std::to_string(kBarHeight), "--color", "#303030"});
    ASSERT_TRUE(client_->pumpUntil([&] { return hostRegistered(); }, 15000))
        << "gtk-sni-tray-standalone did not register as a host";

    registerWindowClass(kClass, recordingProc);
    window_ = createWindow(kClass, "real tray test");
    ASSERT_NE(window_, nullptr);
    posted.clear();
    icon_.window = window_;
    icon_.id = 1010;
    icon_.flags = kNifMessage | kNifIcon | kNifTip;
    icon_.callbackMessage = kTrayMessage;
    icon_.tip = "Pixoria Helper";
    appendMenuItem(menu_, 208, "Configuration");
    appendMenuItem(menu_, 210, "Close");
    icon_.contextMenu = menu_;
  }

  void TearDown() override {
    if (window_ != nullptr) {
      notifyIconDelete(icon_);
      destroyWindow(window_);
    }
    destroyMenu(menu_);
    host_.reset();
    watcher_.reset();
    client_.reset();
    bus_.reset();
  }

  bool hostRegistered() {
    BusReply reply = client_->getProperty(kWatcherName, kWatcherPath, kWatcherName,
                                          "IsStatusNotifierHostRegistered");
    int registered = 0;
    return reply && sd_bus_message_read(reply.get(), "v", "b", &registered) >= 0 && registered;
  }

  std::vector<std::string> registeredItems() {
    std::vector<std::string> items;
    BusReply reply = client_->getProperty(kWatcherName, kWatcherPath, kWatcherName,
                                          "RegisteredStatusNotifierItems");
    if (!reply || sd_bus_message_enter_container(reply.get(), 'v', "as") < 0 ||
        sd_bus_message_enter_container(reply.get(), 'a', "s") < 0) {
      return items;
    }
    const char* item = nullptr;
    while (sd_bus_message_read(reply.get(), "s", &item) > 0) {
      items.emplace_back(item);
    }
    return items;
  }

  bool itemRegistered() {
    for (const std::string& item : registeredItems()) {
      if (item.find(serviceName()) != std::string::npos) {
        return true;
      }
    }
    return false;
  }

  // The icon's colours in the host's bar: the host read IconPixmap and drew it.
  bool iconDrawn() {
    test::RgbImage bar;
    if (!test::grabRootWindow(xvfb_->display(), 0, 0, kScreenWidth, kBarHeight, bar)) {
      return false;
    }
    return test::countPixelsNear(bar, kBarHeight, kHillGreen, 40) >= 4 &&
           test::countPixelsNear(bar, kBarHeight, kSunYellow, 40) >= 1;
  }

  std::string serviceName() const {
    return "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-1010";
  }

  bool clickMenuItem(std::int32_t id) {
    return static_cast<bool>(client_->call(
        serviceName(), "/MenuBar", "com.canonical.dbusmenu", "Event", [&](sd_bus_message* m) {
          return sd_bus_message_append(m, "isvu", id, "clicked", "s", "", 0u);
        }));
  }

  bool waitForPosted(std::uint32_t message, WParam value) {
    return client_->pumpUntil([&] {
      for (const auto& [number, parameter] : posted) {
        if (number == message && parameter == value) {
          return true;
        }
      }
      return false;
    });
  }

  test::TestWorld world_;
  std::unique_ptr<test::PrivateSessionBus> bus_;
  std::unique_ptr<test::XvfbServer> xvfb_;
  std::unique_ptr<BusClient> client_;
  std::unique_ptr<TrayProgram> watcher_;
  std::unique_ptr<TrayProgram> host_;
  WindowHandle window_ = nullptr;
  MenuHandle menu_ = createPopupMenu();
  NotifyIconData icon_;
};

TEST_F(RealTrayTest, TheWatcherListsTheIconTheHostDrawsItAndItsMenuPostsCommands) {
  ASSERT_FALSE(iconDrawn()) << "the bar shows the icon's colours before there is an icon";
  ASSERT_TRUE(notifyIconAdd(icon_));
  EXPECT_TRUE(client_->pumpUntil([&] { return itemRegistered(); }, 5000))
      << "status-notifier-watcher does not list " << serviceName();
  // The loop keeps serving the item while the host reads its properties and draws.
  EXPECT_TRUE(client_->pumpUntil([&] { return iconDrawn(); }, 15000))
      << "gtk-sni-tray-standalone did not draw the icon";

  ASSERT_TRUE(clickMenuItem(208)) << client_->lastError;
  EXPECT_TRUE(waitForPosted(kWmCommand, 208));
  BusReply activated =
      client_->call(serviceName(), "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate",
                    [](sd_bus_message* m) { return sd_bus_message_append(m, "ii", 5, 5); });
  ASSERT_TRUE(activated) << client_->lastError;
  EXPECT_TRUE(waitForPosted(kTrayMessage, static_cast<WParam>(kWmLButtonDblClk)));

  // Removed: the watcher forgets it as soon as the name goes.
  notifyIconDelete(icon_);
  EXPECT_TRUE(client_->pumpUntil([&] { return !itemRegistered(); }, 5000));
}

TEST_F(RealTrayTest, AnIconShownBeforeTheWatcherRestartsIsListedByTheNewOne) {
  ASSERT_TRUE(notifyIconAdd(icon_));
  ASSERT_TRUE(client_->pumpUntil([&] { return itemRegistered(); }, 5000));
  watcher_.reset();
  ASSERT_TRUE(client_->pumpUntil([&] { return !client_->nameHasOwner(kWatcherName); }, 5000));
  watcher_ = std::make_unique<TrayProgram>(std::vector<std::string>{"status-notifier-watcher"});
  EXPECT_TRUE(client_->pumpUntil([&] { return itemRegistered(); }, 10000))
      << "the icon did not register with the restarted watcher";
}

}  // namespace
}  // namespace pixoria::platform
