// The real PixoriaHelper with its tray on a private session bus: the icon registers with a
// stand-in watcher, the menu reads back over the bus, and clicks steer the agent.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>

#include "e2e/app_window_stand_in.h"
#include "e2e/isolated_world.h"
#include "e2e/process_view.h"
#include "pixoria/common/image_fitting.h"
#include "pixoria/platform/messages.h"
#include "pixoria/platform/registry.h"
#include "pixoria/platform/windows.h"
#include "platform/tray/bus_client.h"
#include "platform/tray/private_session_bus.h"
#include "support/child_process.h"
#include "support/fixture_server.h"
#include "support/test_images.h"

namespace pixoria::test {
namespace {

namespace pf = platform;
namespace fs = std::filesystem;

constexpr const char* kMenu = "com.canonical.dbusmenu";
constexpr const char* kItem = "org.kde.StatusNotifierItem";

constexpr const char* kPeer = "org.freedesktop.DBus.Peer";
// Sooner than this, a registration the agent retried on its own would still be due.
constexpr std::chrono::milliseconds kRetrySoon{1000};

class AgentTrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(world.root() + "/bus");
    bus = std::make_unique<PrivateSessionBus>(world.root() + "/bus");
    ASSERT_FALSE(bus->address().empty()) << "dbus-daemon did not start";
    world.setEnvironment("DBUS_SESSION_BUS_ADDRESS", bus->address());
    record = world.root() + "/tray.record";
    busClient = std::make_unique<BusClient>();
  }

  void TearDown() override {
    if (agent > 0) {
      stopChild(agent);
    }
    watcher.reset();
  }

  void startWatcher() {
    watcher = std::make_unique<TrayStandIn>(
        std::vector<std::string>{"--watcher", "--record", record, "--lifetime", "60"});
    ASSERT_TRUE(watcher->ready());
  }

  void startAgent() {
    agent = spawnProgram({PIXORIA_AGENT_PROGRAM});
    ASSERT_GT(agent, 0);
    ASSERT_TRUE(busClient->pumpUntil(
        [] { return pf::findWindow("PIXORIA", "Corvane Pixoria Helper") != nullptr; }));
  }

  std::string service() const {
    return "org.kde.StatusNotifierItem-" + std::to_string(agent) + "-1010";
  }

  int registrations() const {
    std::istringstream lines(fileText(record));
    int count = 0;
    for (std::string line; std::getline(lines, line);) {
      count += line.rfind("register " + service(), 0) == 0 ? 1 : 0;
    }
    return count;
  }

  bool waitForRegistrations(int count) {
    return busClient->pumpUntil([&] { return registrations() == count; }, 8000);
  }

  bool click(std::int32_t id) {
    return busClient->call(service(), "/MenuBar", kMenu, "Event", [id](sd_bus_message* m) {
      return sd_bus_message_append(m, "isvu", id, "clicked", "i", 0, 0u);
    }) != nullptr;
  }

  void expectExit(int code) {
    int status = -1;
    ASSERT_TRUE(waitForChild(agent, 8000, status));
    agent = -1;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), code);
  }

  static void setDword(std::string_view name, std::uint32_t value) {
    IsolatedWorld::setSettingDword(name, value);
  }
  static void setString(std::string_view name, std::string_view value) {
    IsolatedWorld::setSettingString(name, value);
  }

  IsolatedWorld world;
  std::unique_ptr<PrivateSessionBus> bus;
  std::unique_ptr<TrayStandIn> watcher;
  std::unique_ptr<BusClient> busClient;  // connects once the private bus is the session's
  std::string record;
  pid_t agent = -1;
};

TEST_F(AgentTrayTest, OneIconFromTwoStartsAndTheMenuAsTheTraySeesIt) {
  startWatcher();
  startAgent();
  ASSERT_TRUE(waitForRegistrations(1)) << fileText(record);
  const pid_t second = spawnProgram({PIXORIA_AGENT_PROGRAM});
  int status = -1;
  ASSERT_TRUE(waitForChild(second, 5000, status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(registrations(), 1);

  BusReply reply =
      busClient->call(service(), "/MenuBar", kMenu, "GetLayout",
                      [](sd_bus_message* m) { return sd_bus_message_append(m, "iias", 0, -1, 0); });
  ASSERT_TRUE(reply) << busClient->lastError;
  std::uint32_t revision = 0;
  ASSERT_GE(sd_bus_message_read(reply.get(), "u", &revision), 0);
  LayoutItem root;
  ASSERT_TRUE(readLayout(reply.get(), root));
  std::vector<std::string> seen;
  for (const LayoutItem& item : root.children) {
    std::string entry = item.properties.at("label");
    for (const LayoutItem& child : item.children) {
      entry += " [" + std::to_string(child.id) + " " + child.properties.at("label") + "]";
    }
    if (item.children.empty()) {
      // Appended in two steps: GCC 12 at -O3 takes `" " + std::to_string(...)` for an
      // overlapping copy (a false -Wrestrict).
      entry += ' ';
      entry += std::to_string(item.id);
    }
    seen.push_back(entry);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "Bing Daily Wallpapers [307 Next Image] [308 Previous Image]",
                      "NASA Daily Wallpapers [309 Next Image] [310 Previous Image]",
                      "Wikipedia Daily Wallpapers [322 Next Image] [323 Previous Image]",
                      "Configuration 208", "Close 210"}));

  const std::string name = service();
  ASSERT_TRUE(click(210));  // "Close"
  expectExit(0);
  EXPECT_TRUE(busClient->pumpUntil(
      [&] { return fileText(record).find("unregister " + name) != std::string::npos; }));
}

TEST_F(AgentTrayTest, NextImageFromTheMenuChangesTheBingImage) {
  const std::string mirror = world.root() + "/mirror";
  fs::create_directories(mirror + "/images");
  const std::string bmp = world.root() + "/picture.bmp";
  writeBmp(bmp, 64, 36, [](int, int) { return Rgb{30, 160, 90}; });
  fitImage(bmp, mirror + "/images/next.jpg", 64, 36, FitVariant::agent);
  writeFileBytes(mirror + "/HPImageArchive.aspx",
                 "<images><image><url>/images/next.jpg</url></image></images>");
  FixtureServerOptions options;
  options.folder = mirror;
  options.lifetimeSeconds = 60;
  FixtureServer server(options);
  ASSERT_TRUE(server.running()) << server.error();
  world.setEnvironment("PIXORIA_BING_ORIGIN", server.url(""));
  world.setEnvironment("PIXORIA_BING_IMAGE_BASE", server.url(""));
  fs::create_directories(world.wallpaperFolder());
  writeFileBytes(world.wallpaperFolder() + "/image.jpg", "an older wallpaper");

  startWatcher();
  startAgent();
  ASSERT_TRUE(waitForRegistrations(1));
  ASSERT_TRUE(click(307));  // "Next Image" under "Bing Daily Wallpapers"
  EXPECT_TRUE(busClient->pumpUntil(
      [&] { return readFileBytes(world.desktopLog()).find("image.jpg") != std::string::npos; },
      8000));
  EXPECT_NE(readFileBytes(world.wallpaperFolder() + "/image.jpg"), "an older wallpaper");
  pf::postMessage(pf::findWindow("PIXORIA", "Corvane Pixoria Helper"), pf::kWmClose, 0, 0);
  expectExit(0);
}

TEST_F(AgentTrayTest, WithoutAWatcherTheIconComesOnlyWhenAskedAgain) {
  // The agent's window exists a moment before it tries to add its icon; the watcher must start
  // only once that try has failed, which the bus shows as the item's name going away again.
  std::string agentConnection;  // the unique name that held the item's name
  sd_bus_slot* slot = nullptr;
  ASSERT_GE(sd_bus_match_signal(
                busClient->bus(), &slot, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                "org.freedesktop.DBus", "NameOwnerChanged",
                [](sd_bus_message* m, void* released, sd_bus_error*) {
                  const char* name = nullptr;
                  const char* oldOwner = nullptr;
                  const char* newOwner = nullptr;
                  if (sd_bus_message_read(m, "sss", &name, &oldOwner, &newOwner) >= 0 &&
                      std::string_view(name).starts_with("org.kde.StatusNotifierItem-") &&
                      newOwner[0] == '\0') {
                    *static_cast<std::string*>(released) = oldOwner;
                  }
                  return 0;
                },
                &agentConnection),
            0);
  startAgent();
  ASSERT_TRUE(busClient->pumpUntil([&] { return !agentConnection.empty(); }, 8000));
  sd_bus_slot_unref(slot);
  startWatcher();
  // A ping of the agent's connection, answered or refused (it may have left the bus), is in the
  // bus's order after the watcher's arrival; a ping of the watcher then comes after any
  // registration the agent sent meanwhile. Nothing the agent has scheduled may bring one soon.
  busClient->call(agentConnection, "/", kPeer, "Ping");
  ASSERT_TRUE(busClient->call("org.kde.StatusNotifierWatcher", "/", kPeer, "Ping"))
      << busClient->lastError;
  EXPECT_TRUE(nothingDueWithin(agent, kRetrySoon));
  EXPECT_EQ(registrations(), 0);
  pf::postMessage(pf::findWindow("PIXORIA", "Corvane Pixoria Helper"), 1524, 0, 0);
  ASSERT_TRUE(waitForRegistrations(1)) << fileText(record);
}

TEST_F(AgentTrayTest, ActivateStartsTheApplicationOrRestoresItsWindow) {
  const std::string folder = world.root() + "/install dir";
  fs::create_directories(folder);
  const std::string started = world.root() + "/started";
  writeFileBytes(folder + "/Pixoria", "#!/bin/sh\npwd > \"" + started + "\"\n");
  chmod((folder + "/Pixoria").c_str(), 0755);
  setString("Path", folder);
  startWatcher();
  startAgent();
  ASSERT_TRUE(waitForRegistrations(1));
  ASSERT_TRUE(
      busClient->call(service(), "/StatusNotifierItem", kItem, "Activate",
                      [](sd_bus_message* m) { return sd_bus_message_append(m, "ii", 0, 0); }));
  ASSERT_TRUE(busClient->pumpUntil([&] { return !readFileBytes(started).empty(); }, 8000));
  EXPECT_EQ(readFileBytes(started), folder + "\n");

  fs::remove(started);
  AppWindowStandIn app;
  ASSERT_TRUE(app.created());
  ASSERT_TRUE(
      busClient->call(service(), "/StatusNotifierItem", kItem, "Activate",
                      [](sd_bus_message* m) { return sd_bus_message_append(m, "ii", 0, 0); }));
  EXPECT_TRUE(busClient->pumpUntil([&] { return app.restores() > 0; }));
  // A second answer comes after the activation was handled to its end; a program the agent
  // started for it has written its file once the agent has no child left.
  const auto pump = [this](const std::function<bool()>& done) {
    return busClient->pumpUntil(done, 8000);
  };
  ASSERT_TRUE(app.roundTrip(pf::findWindow("PIXORIA", "Corvane Pixoria Helper"), pump));
  ASSERT_TRUE(busClient->pumpUntil([this] { return childrenOf(agent).empty(); }, 8000));
  EXPECT_FALSE(fs::exists(started));
}

}  // namespace
}  // namespace pixoria::test
