// The notification icon on a real session bus: registration with a tray watcher, the item's
// properties, the exported menu, clicks posted to the window, removal, and a tray restart.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pixoria/platform/messages.h"
#include "pixoria/platform/tray.h"
#include "pixoria/platform/windows.h"
#include "tray/bus_client.h"
#include "tray/private_session_bus.h"
#include "windows/event_loop.h"
#include "windows/test_world.h"

namespace pixoria::platform {
namespace {

using test::BusClient;
using test::BusReply;
using test::fileText;
using test::LayoutItem;
using test::PrivateSessionBus;
using test::TestWorld;
using test::TrayStandIn;

constexpr const char* kClass = "PIXORIA_TRAY_TEST";
constexpr std::uint32_t kTrayMessage = kWmUser + 10;
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kMenuInterface = "com.canonical.dbusmenu";
constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";

struct Posted {
  std::uint32_t message;
  WParam wParam;
  LParam lParam;
};
std::vector<Posted> posted;

LResult recordingProc(WindowHandle window, std::uint32_t message, WParam wParam, LParam lParam) {
  if (message == kWmCommand || message == kTrayMessage) {
    posted.push_back({message, wParam, lParam});
    return 0;
  }
  return defWindowProc(window, message, wParam, lParam);
}

// The agent's menus: three submenus with next/previous, then Configuration and Close.
struct AgentMenus {
  AgentMenus() {
    const std::pair<const char*, std::uint32_t> sources[] = {{"Bing Daily Wallpapers", 307},
                                                             {"NASA Daily Wallpapers", 309},
                                                             {"Wikipedia Daily Wallpapers", 322}};
    for (const auto& [label, next] : sources) {
      MenuHandle submenu = createPopupMenu();
      appendMenuItem(submenu, next, "Next Image");
      appendMenuItem(submenu, next + 1, "Previous Image");
      appendSubmenu(main, submenu, label);
    }
    appendMenuItem(main, 208, "Configuration");
    appendMenuItem(main, 210, "Close");
  }
  ~AgentMenus() { destroyMenu(main); }
  MenuHandle main = createPopupMenu();
};

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.setVariable("XDG_RUNTIME_DIR", world.root().c_str());
    bus = std::make_unique<PrivateSessionBus>(world.makeFolder("dbus"));
    ASSERT_FALSE(bus->address().empty()) << "dbus-daemon did not start";
    world.setVariable("DBUS_SESSION_BUS_ADDRESS", bus->address().c_str());
    registerWindowClass(kClass, recordingProc);
    window = createWindow(kClass, "tray test");
    ASSERT_NE(window, nullptr);
    posted.clear();
    icon.window = window;
    icon.id = 1010;
    icon.flags = kNifMessage | kNifIcon | kNifTip;
    icon.callbackMessage = kTrayMessage;
    icon.tip = "Pixoria Helper";
    icon.contextMenu = menus.main;
  }

  void TearDown() override {
    notifyIconDelete(icon);
    destroyWindow(window);
    bus.reset();
    // The loop notices that its bus went away, as the program's would.
    client().pumpUntil([] { return false; }, 100);
  }

  std::string serviceName() const {
    return "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-1010";
  }

  std::string recordPath(const std::string& name) const { return world.root() + "/" + name; }

  BusClient& client() {
    if (!client_) {
      client_ = std::make_unique<BusClient>();
    }
    return *client_;
  }

  bool waitForPosted(std::uint32_t message) {
    return client().pumpUntil([&] {
      for (const Posted& p : posted) {
        if (p.message == message) {
          return true;
        }
      }
      return false;
    });
  }

  LayoutItem layout(std::int32_t parent, std::int32_t depth) {
    BusReply reply = client().call(
        serviceName(), "/MenuBar", kMenuInterface, "GetLayout",
        [&](sd_bus_message* m) { return sd_bus_message_append(m, "iias", parent, depth, 0); });
    LayoutItem root;
    std::uint32_t revision = 0;
    EXPECT_TRUE(reply) << client().lastError;
    if (reply) {
      EXPECT_GE(sd_bus_message_read(reply.get(), "u", &revision), 0);
      EXPECT_TRUE(readLayout(reply.get(), root));
    }
    return root;
  }

  TestWorld world;
  std::unique_ptr<PrivateSessionBus> bus;
  AgentMenus menus;
  WindowHandle window = nullptr;
  NotifyIconData icon;
  std::unique_ptr<BusClient> client_;
};

TEST_F(TrayTest, AddFailsQuietlyWithoutBusOrWatcherAndLeavesNothingBehind) {
  world.setVariable("DBUS_SESSION_BUS_ADDRESS", nullptr);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(notifyIconAdd(icon));
  world.setVariable("DBUS_SESSION_BUS_ADDRESS", bus->address().c_str());
  EXPECT_FALSE(notifyIconAdd(icon)) << "no watcher runs";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(client().nameHasOwner(serviceName()));
  EXPECT_FALSE(trackPopupMenu(menus.main, window));

  // Nothing of the failed attempts stands in the way of a later one.
  TrayStandIn watcher({"--watcher", "--record", recordPath("watcher.log")});
  ASSERT_TRUE(watcher.ready());
  EXPECT_TRUE(notifyIconAdd(icon));
}

TEST_F(TrayTest, RegistersWithWatcherAndExportsItsProperties) {
  TrayStandIn watcher({"--watcher", "--probe", "--record", recordPath("watcher.log")});
  ASSERT_TRUE(watcher.ready());
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(notifyIconAdd(icon));
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  std::printf("notifyIconAdd until the watcher's reply: %lld us\n",
              static_cast<long long>(took.count()));
  // The watcher read the title before it answered: the item served it while being registered.
  EXPECT_NE(
      fileText(recordPath("watcher.log"))
          .find("title " + serviceName() + " Pixoria Helper\nregister " + serviceName() + " :"),
      std::string::npos)
      << fileText(recordPath("watcher.log"));
  EXPECT_FALSE(notifyIconAdd(icon)) << "the icon is shown already";
  EXPECT_TRUE(trackPopupMenu(menus.main, window));
  MenuHandle other = createPopupMenu();
  EXPECT_FALSE(trackPopupMenu(other, window)) << "only the icon's own menu is shown by the tray";
  destroyMenu(other);

  BusReply pixmaps =
      client().getProperty(serviceName(), "/StatusNotifierItem", kItemInterface, "IconPixmap");
  ASSERT_TRUE(pixmaps) << client().lastError;
  ASSERT_GE(sd_bus_message_enter_container(pixmaps.get(), 'v', "a(iiay)"), 0);
  ASSERT_GE(sd_bus_message_enter_container(pixmaps.get(), 'a', "(iiay)"), 0);
  std::vector<int> sizes;
  while (sd_bus_message_enter_container(pixmaps.get(), 'r', "iiay") > 0) {
    int width = 0;
    int height = 0;
    const void* pixels = nullptr;
    std::size_t bytes = 0;
    ASSERT_GE(sd_bus_message_read(pixmaps.get(), "ii", &width, &height), 0);
    ASSERT_GE(sd_bus_message_read_array(pixmaps.get(), 'y', &pixels, &bytes), 0);
    EXPECT_EQ(width, height);
    EXPECT_EQ(bytes, static_cast<std::size_t>(width * height * 4));
    sizes.push_back(width);
    sd_bus_message_exit_container(pixmaps.get());
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 22, 32, 48}));

  BusReply tip =
      client().getProperty(serviceName(), "/StatusNotifierItem", kItemInterface, "ToolTip");
  ASSERT_TRUE(tip) << client().lastError;
  const char* tipTitle = nullptr;
  ASSERT_GE(sd_bus_message_enter_container(tip.get(), 'v', "(sa(iiay)ss)"), 0);
  ASSERT_GE(sd_bus_message_enter_container(tip.get(), 'r', "sa(iiay)ss"), 0);
  ASSERT_GE(sd_bus_message_skip(tip.get(), "sa(iiay)"), 0);
  ASSERT_GE(sd_bus_message_read(tip.get(), "s", &tipTitle), 0);
  EXPECT_STREQ(tipTitle, "Pixoria Helper");

  const std::pair<const char*, const char*> texts[] = {
      {"Id", "PixoriaHelper"}, {"Status", "Active"}, {"Category", "ApplicationStatus"}};
  for (const auto& [property, expected] : texts) {
    BusReply value =
        client().getProperty(serviceName(), "/StatusNotifierItem", kItemInterface, property);
    const char* text = nullptr;
    ASSERT_TRUE(value) << property;
    ASSERT_GE(sd_bus_message_read(value.get(), "v", "s", &text), 0);
    EXPECT_STREQ(text, expected);
  }
  BusReply menuPath =
      client().getProperty(serviceName(), "/StatusNotifierItem", kItemInterface, "Menu");
  const char* path = nullptr;
  ASSERT_TRUE(menuPath);
  ASSERT_GE(sd_bus_message_read(menuPath.get(), "v", "o", &path), 0);
  EXPECT_STREQ(path, "/MenuBar");

  // Once the traffic is answered, an idle connection leaves the loop asleep: no timer, no
  // writability watch.
  client().pumpUntil([] { return false; }, 50);
  pollfd loop{posix::EventLoop::instance().descriptor(), POLLIN, 0};
  EXPECT_EQ(poll(&loop, 1, 300), 0);
}

TEST_F(TrayTest, MenuLayoutAndClicksReachTheWindow) {
  TrayStandIn watcher({"--watcher"});
  ASSERT_TRUE(watcher.ready());
  ASSERT_TRUE(notifyIconAdd(icon));

  const LayoutItem root = layout(0, -1);
  EXPECT_EQ(root.id, 0);
  ASSERT_EQ(root.children.size(), 5u);
  const char* submenuLabels[] = {"Bing Daily Wallpapers", "NASA Daily Wallpapers",
                                 "Wikipedia Daily Wallpapers"};
  const std::int32_t nextIds[] = {307, 309, 322};
  for (int i = 0; i < 3; ++i) {
    const LayoutItem& submenu = root.children[i];
    EXPECT_EQ(submenu.properties.at("label"), submenuLabels[i]);
    EXPECT_EQ(submenu.properties.at("children-display"), "submenu");
    EXPECT_GT(submenu.id, 0xFFFF) << "a submenu id must not look like a command";
    ASSERT_EQ(submenu.children.size(), 2u);
    EXPECT_EQ(submenu.children[0].id, nextIds[i]);
    EXPECT_EQ(submenu.children[0].properties.at("label"), "Next Image");
    EXPECT_EQ(submenu.children[1].id, nextIds[i] + 1);
    EXPECT_EQ(submenu.children[1].properties.at("label"), "Previous Image");
  }
  EXPECT_EQ(root.children[3].id, 208);
  EXPECT_EQ(root.children[3].properties.at("label"), "Configuration");
  EXPECT_EQ(root.children[4].id, 210);
  EXPECT_EQ(root.children[4].properties.count("children-display"), 0u);
  // A submenu asked for alone, one level deep.
  const LayoutItem nasa = layout(root.children[1].id, 1);
  EXPECT_EQ(nasa.children.size(), 2u);

  BusReply clicked =
      client().call(serviceName(), "/MenuBar", kMenuInterface, "Event", [](sd_bus_message* m) {
        return sd_bus_message_append(m, "isvu", 307, "clicked", "s", "", 0u);
      });
  ASSERT_TRUE(clicked) << client().lastError;
  ASSERT_TRUE(waitForPosted(kWmCommand));
  EXPECT_EQ(loWord(posted[0].wParam), 307);

  BusReply activated =
      client().call(serviceName(), "/StatusNotifierItem", kItemInterface, "Activate",
                    [](sd_bus_message* m) { return sd_bus_message_append(m, "ii", 10, 20); });
  ASSERT_TRUE(activated) << client().lastError;
  ASSERT_TRUE(waitForPosted(kTrayMessage));
  EXPECT_EQ(posted.back().wParam, 1010u);
  EXPECT_EQ(posted.back().lParam, static_cast<LParam>(kWmLButtonDblClk));

  // A click on a submenu, or on an id that is not there, posts nothing.
  client().call(serviceName(), "/MenuBar", kMenuInterface, "Event", [&](sd_bus_message* m) {
    return sd_bus_message_append(m, "isvu", root.children[0].id, "clicked", "s", "", 0u);
  });
  EXPECT_FALSE(
      client().call(serviceName(), "/MenuBar", kMenuInterface, "Event", [](sd_bus_message* m) {
        return sd_bus_message_append(m, "isvu", 4711, "clicked", "s", "", 0u);
      }));
  client().pumpUntil([] { return false; }, 50);
  EXPECT_EQ(posted.size(), 2u);
}

TEST_F(TrayTest, DeleteRemovesTheNameAndTrayRestartRegistersAgain) {
  auto watcher = std::make_unique<TrayStandIn>(
      std::vector<std::string>{"--watcher", "--record", recordPath("first.log")});
  ASSERT_TRUE(watcher->ready());
  ASSERT_TRUE(notifyIconAdd(icon));

  // The panel restarts: a new watcher, which knows nothing of the icon until it registers again.
  watcher.reset();
  ASSERT_TRUE(client().pumpUntil([&] { return !client().nameHasOwner(kWatcherName); }));
  watcher = std::make_unique<TrayStandIn>(
      std::vector<std::string>{"--watcher", "--record", recordPath("second.log")});
  ASSERT_TRUE(watcher->ready());
  EXPECT_TRUE(client().pumpUntil([&] {
    return fileText(recordPath("second.log")).find("register " + serviceName()) !=
           std::string::npos;
  })) << "the icon did not come back";

  ASSERT_TRUE(notifyIconDelete(icon));
  EXPECT_FALSE(notifyIconDelete(icon));
  EXPECT_FALSE(client().nameHasOwner(serviceName()));
  EXPECT_TRUE(client().pumpUntil([&] {
    return fileText(recordPath("second.log")).find("unregister " + serviceName()) !=
           std::string::npos;
  }));
  EXPECT_FALSE(trackPopupMenu(menus.main, window));
}

// status-notifier-watcher takes its name before it exports its object, so an icon that
// registers the moment the name appears is told UnknownObject at first.
TEST_F(TrayTest, ARestartedWatcherThatExportsItsObjectLateStillGetsTheIcon) {
  auto watcher = std::make_unique<TrayStandIn>(std::vector<std::string>{"--watcher"});
  ASSERT_TRUE(watcher->ready());
  ASSERT_TRUE(notifyIconAdd(icon));
  watcher.reset();
  ASSERT_TRUE(client().pumpUntil([&] { return !client().nameHasOwner(kWatcherName); }));
  watcher = std::make_unique<TrayStandIn>(
      std::vector<std::string>{"--watcher", "--late-object", "--record", recordPath("late.log")});
  ASSERT_TRUE(watcher->ready());
  EXPECT_TRUE(client().pumpUntil(
      [&] {
        return fileText(recordPath("late.log")).find("register " + serviceName()) !=
               std::string::npos;
      },
      5000))
      << "the icon gave up on the restarted watcher";
}

// At login the agent may start while the panel's watcher is still setting up: its name is
// there, its object not yet.
TEST_F(TrayTest, AddWaitsForAWatcherThatOwnsItsNameButHasNotExportedItsObject) {
  TrayStandIn watcher({"--watcher", "--late-object", "--record", recordPath("late.log")});
  ASSERT_TRUE(watcher.ready());
  EXPECT_TRUE(notifyIconAdd(icon));
  EXPECT_NE(fileText(recordPath("late.log")).find("register " + serviceName()), std::string::npos);
}

TEST_F(TrayTest, DestroyedMenuReadsAsEmpty) {
  TrayStandIn watcher({"--watcher"});
  ASSERT_TRUE(watcher.ready());
  ASSERT_TRUE(notifyIconAdd(icon));
  destroyMenu(menus.main);
  menus.main = nullptr;
  EXPECT_TRUE(layout(0, -1).children.empty());
  EXPECT_FALSE(trackPopupMenu(icon.contextMenu, window));
}

// The agent's tip after a failed change has a second line: the tray shows it as the tooltip's
// description, and is told to read the tooltip again.
TEST_F(TrayTest, ModifiedTipIsAnnouncedAndSplitIntoTitleAndDescription) {
  TrayStandIn watcher({"--watcher"});
  ASSERT_TRUE(watcher.ready());
  NotifyIconData unknown = icon;
  unknown.id = 1011;
  EXPECT_FALSE(notifyIconModify(unknown)) << "no such icon is shown";
  ASSERT_TRUE(notifyIconAdd(icon));

  int announced = 0;
  sd_bus_slot* match = nullptr;
  ASSERT_GE(sd_bus_match_signal(
                client().bus(), &match, serviceName().c_str(), "/StatusNotifierItem",
                kItemInterface, "NewToolTip",
                [](sd_bus_message*, void* count, sd_bus_error*) {
                  ++*static_cast<int*>(count);
                  return 0;
                },
                &announced),
            0);
  struct Step {
    std::uint32_t flags;
    std::string tip;
    const char* title;
    const char* description;
    bool announces;
  };
  const Step steps[] = {
      {kNifTip, "Pixoria Helper\nCould not reach Bing (no network). Trying again at 14:35.",
       "Pixoria Helper", "Could not reach Bing (no network). Trying again at 14:35.", true},
      // Without kNifTip the tip is not the icon's business.
      {kNifMessage, "ignored", "Pixoria Helper",
       "Could not reach Bing (no network). Trying again at 14:35.", false},
      {kNifTip, "Pixoria Helper\r\nTwo\nlines", "Pixoria Helper", "Two\nlines", true},
      {kNifTip, "Pixoria Helper", "Pixoria Helper", "", true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.tip);
    NotifyIconData change = icon;
    change.flags = step.flags;
    change.tip = step.tip;
    const int before = announced;
    ASSERT_TRUE(notifyIconModify(change));
    if (step.announces) {
      EXPECT_TRUE(client().pumpUntil([&] { return announced == before + 1; }));
    } else {
      client().pumpUntil([] { return false; }, 200);
      EXPECT_EQ(announced, before);
    }
    BusReply tip =
        client().getProperty(serviceName(), "/StatusNotifierItem", kItemInterface, "ToolTip");
    ASSERT_TRUE(tip) << client().lastError;
    const char* title = nullptr;
    const char* description = nullptr;
    ASSERT_GE(sd_bus_message_enter_container(tip.get(), 'v', "(sa(iiay)ss)"), 0);
    ASSERT_GE(sd_bus_message_enter_container(tip.get(), 'r', "sa(iiay)ss"), 0);
    ASSERT_GE(sd_bus_message_skip(tip.get(), "sa(iiay)"), 0);
    ASSERT_GE(sd_bus_message_read(tip.get(), "ss", &title, &description), 0);
    EXPECT_STREQ(title, step.title);
    EXPECT_STREQ(description, step.description);
  }
  sd_bus_slot_unref(match);
}

}  // namespace
}  // namespace pixoria::platform
