// The real PixoriaHelper through the faults of a user's week: a service that is down for a
// while, a restart after the interval ran out, a wake from sleep, and a new user's first change.
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "e2e/eventually.h"
#include "e2e/feed_mirror.h"
#include "e2e/isolated_world.h"
#include "e2e/process_view.h"
#include "pixoria/common/image_fitting.h"
#include "pixoria/platform/registry.h"
#include "pixoria/platform/windows.h"
#include "pixoria/settings_schema.h"
#include "platform/tray/bus_client.h"
#include "platform/tray/private_session_bus.h"
#include "support/child_process.h"
#include "support/test_images.h"

namespace pixoria::test {
namespace {

namespace pf = platform;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kItem = "org.kde.StatusNotifierItem";

std::uint32_t secondsSince1970() {
  return static_cast<std::uint32_t>(std::time(nullptr));
}

std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// The title and the description of a StatusNotifierItem's ToolTip, one line each.
std::string toolTipOf(BusClient& client, const std::string& service) {
  BusReply reply = client.getProperty(service, "/StatusNotifierItem", kItem, "ToolTip");
  const char* iconName = nullptr;
  const char* title = nullptr;
  const char* description = nullptr;
  sd_bus_message* m = reply.get();
  if (!reply || sd_bus_message_enter_container(m, 'v', "(sa(iiay)ss)") < 0 ||
      sd_bus_message_enter_container(m, 'r', "sa(iiay)ss") < 0 ||
      sd_bus_message_read(m, "s", &iconName) < 0 || sd_bus_message_skip(m, "a(iiay)") < 0 ||
      sd_bus_message_read(m, "ss", &title, &description) < 0) {
    return "(no tooltip)";
  }
  return std::string(title) + "\n" + description;
}

class AgentRecoveryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (agent > 0) {
      stopChild(agent);
    }
  }

  void startAgent() {
    agent = spawnProgram({PIXORIA_AGENT_PROGRAM});
    ASSERT_GT(agent, 0);
  }

  static void setDword(std::string_view name, std::uint32_t value) {
    IsolatedWorld::setSettingDword(name, value);
  }

  static std::uint32_t dword(std::string_view name) {
    std::uint32_t value = 0;
    pf::regGetDword(nullptr, kSettingsKey, name, value);
    return value;
  }

  std::string desktopLog() const { return readFileBytes(world.desktopLog()); }

  // A custom list of three one-coloured pictures, single-image mode, changed every hour.
  std::vector<std::string> useCustomList() {
    std::vector<std::string> files;
    const std::vector<Rgb> colours = {{220, 20, 20}, {20, 20, 220}, {20, 200, 20}};
    for (std::size_t n = 0; n < colours.size(); ++n) {
      const std::string bmp = world.root() + "/colour.bmp";
      writeBmp(bmp, 64, 36, [&](int, int) { return colours[n]; });
      files.push_back(world.root() + "/custom" + std::to_string(n) + ".jpg");
      fitImage(bmp, files.back(), 64, 36, FitVariant::agent);
      IsolatedWorld::setSettingString(std::string(kValueCustomFilePrefix) + std::to_string(n),
                                      files.back());
    }
    setDword(kValueCustomCount, static_cast<std::uint32_t>(files.size()));
    setDword(kValueSource, kSourceCustom);
    setDword(kValueEnabled, 1);
    setDword(kValueTimeIndex, 1);
    setDword(kValueTimePeriod, 0);
    return files;
  }

  IsolatedWorld world;
  pid_t agent = -1;
};

TEST_F(AgentRecoveryTest, AFailedChangeIsRetriedAtTheSamePictureAndTheTraySaysWhy) {
  fs::create_directories(world.root() + "/bus");
  PrivateSessionBus bus(world.root() + "/bus");
  ASSERT_FALSE(bus.address().empty()) << "dbus-daemon did not start";
  world.setEnvironment("DBUS_SESSION_BUS_ADDRESS", bus.address());
  TrayStandIn watcher({"--watcher", "--lifetime", "60"});
  ASSERT_TRUE(watcher.ready());
  BusClient client;
  // The first change's two archive requests fail; its retry two seconds later finds Bing back.
  FixtureServerOptions options;
  options.failFirst = 2;
  FeedMirror mirror(world, options);
  ASSERT_TRUE(mirror.running());
  world.setEnvironment("PIXORIA_TEST_RETRY_SECONDS", "2");
  setDword(kValueEnabled, 1);
  setDword(kValueSource, kSourceBing);
  setDword(kValueBingCurrentIndex, 3);

  const auto started = Clock::now();
  startAgent();
  const std::string service = "org.kde.StatusNotifierItem-" + std::to_string(agent) + "-1010";
  std::string failed;
  ASSERT_TRUE(client.pumpUntil(
      [&] {
        failed = toolTipOf(client, service);
        return failed.find("Could not reach Bing") != std::string::npos;
      },
      8000))
      << failed;
  EXPECT_NE(failed.find("(HTTP status 503). Trying again at "), std::string::npos) << failed;
  EXPECT_EQ(desktopLog(), "");

  ASSERT_TRUE(eventually([&] { return !desktopLog().empty(); }));
  const auto took = std::chrono::duration<double>(Clock::now() - started).count();
  std::printf("wallpaper set %.1f s after the start, one retry later\n", took);
  EXPECT_EQ(countOf(desktopLog(), "set 0 HEADLESS-1 "), 1u);
  // The same picture: both tries asked for archive day 3 (and the day after it), none for day 2.
  EXPECT_EQ(mirror.requestsFor("/HPImageArchive.aspx?format=xml&idx=3&"), 2u);
  EXPECT_EQ(mirror.requestsFor("/HPImageArchive.aspx?format=xml&idx=2&"), 0u);
  EXPECT_EQ(mirror.requestsFor(mirror.picture()), 1u);
  EXPECT_EQ(dword(kValueBingCurrentIndex), 3u);
  std::string recovered;
  EXPECT_TRUE(client.pumpUntil([&] {
    recovered = toolTipOf(client, service);
    return recovered == "Pixoria Helper\n";
  })) << recovered;
}

TEST_F(AgentRecoveryTest, ARestartStepsOnceWhenTheIntervalRanOutAndNotBefore) {
  const std::vector<std::string> files = useCustomList();
  struct Case {
    const char* what;
    std::uint32_t secondsAgo;
    std::size_t shown;  // the file the start shows
    bool stepped;       // whether the start counts as a scheduled step
  };
  const Case cases[] = {
      {"two intervals ago", 2 * 3600, 1, true},
      {"ten minutes ago", 600, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(world.desktopLog());
    setDword(kValueCustomIndex, 0);
    const std::uint32_t lastChange = secondsSince1970() - c.secondsAgo;
    setDword(kValueLastChange, lastChange);
    startAgent();
    ASSERT_TRUE(eventually([&] { return !desktopLog().empty(); }));
    EXPECT_NE(desktopLog().find(files[c.shown]), std::string::npos) << desktopLog();
    // A step records its position and time just after it has set the pictures.
    EXPECT_TRUE(eventually([&] {
      return dword(kValueCustomIndex) == c.shown &&
             (c.stepped ? dword(kValueLastChange) >= secondsSince1970() - 5
                        : dword(kValueLastChange) == lastChange);
    })) << dword(kValueCustomIndex)
        << " " << dword(kValueLastChange);
    stopChild(agent);
    agent = -1;
  }
}

// logind on a bus of the test's own, standing in for the system bus: it owns logind's name and
// announces sleep and wake as logind does.
class LogindStandIn {
 public:
  explicit LogindStandIn(const std::string& address) {
    if (sd_bus_new(&bus_) < 0 || sd_bus_set_address(bus_, address.c_str()) < 0 ||
        sd_bus_set_bus_client(bus_, 1) < 0 || sd_bus_start(bus_) < 0 ||
        sd_bus_request_name(bus_, "org.freedesktop.login1", 0) < 0) {
      bus_ = sd_bus_flush_close_unref(bus_);
    }
  }
  ~LogindStandIn() { sd_bus_flush_close_unref(bus_); }
  LogindStandIn(const LogindStandIn&) = delete;
  LogindStandIn& operator=(const LogindStandIn&) = delete;

  bool ready() const { return bus_ != nullptr; }

  void prepareForSleep(bool sleeping) {
    sd_bus_emit_signal(bus_, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                       "PrepareForSleep", "b", sleeping ? 1 : 0);
    sd_bus_flush(bus_);
  }

 private:
  sd_bus* bus_ = nullptr;
};

TEST_F(AgentRecoveryTest, WakingFromSleepShowsTheCurrentPictureAgain) {
  fs::create_directories(world.root() + "/system-bus");
  PrivateSessionBus systemBus(world.root() + "/system-bus");
  ASSERT_FALSE(systemBus.address().empty()) << "dbus-daemon did not start";
  world.setEnvironment("DBUS_SYSTEM_BUS_ADDRESS", systemBus.address());
  LogindStandIn logind(systemBus.address());
  ASSERT_TRUE(logind.ready());
  const std::vector<std::string> files = useCustomList();
  setDword(kValueLastChange, secondsSince1970());
  startAgent();
  ASSERT_TRUE(eventually([&] { return countOf(desktopLog(), files[0]) == 1; })) << desktopLog();

  // Going to sleep changes nothing. The agent may not listen yet when the first wake is
  // announced, so the wake is announced until it shows.
  logind.prepareForSleep(true);
  ASSERT_TRUE(eventually(
      [&] {
        logind.prepareForSleep(false);
        return countOf(desktopLog(), files[0]) >= 2;
      },
      10000))
      << desktopLog();
  EXPECT_EQ(desktopLog().find(files[1]), std::string::npos);
}

TEST_F(AgentRecoveryTest, TheFirstChangeOnANewMachineSetsTheWallpaperOnce) {
  FeedMirror mirror(world);
  ASSERT_TRUE(mirror.running());
  const std::uint32_t sources[] = {kSourceBing, kSourceNasa, kSourceWikipedia};
  for (const std::uint32_t source : sources) {
    SCOPED_TRACE(source);
    fs::remove_all(world.wallpaperFolder());
    fs::remove(world.desktopLog());
    setDword(kValueEnabled, 1);
    setDword(kValueSource, source);
    startAgent();
    const std::string image = world.wallpaperFolder() + "/image.jpg";
    ASSERT_TRUE(eventually([&] { return fs::exists(image); }));
    const auto fitted = Clock::now();
    ASSERT_TRUE(eventually([&] { return !desktopLog().empty(); }));
    const auto delay = std::chrono::duration<double>(Clock::now() - fitted).count();
    std::printf("source %u: set %.2f s after the fit\n", source, delay);
    EXPECT_GT(delay, 0.5);
    EXPECT_LT(delay, 3.0);
    // One set per change: once it is made, nothing is due before the next change.
    EXPECT_TRUE(nothingDueWithin(agent, std::chrono::milliseconds(2000)));
    EXPECT_EQ(desktopLog(), "set 0 HEADLESS-1 " + image + "\nposition fill\n");
    stopChild(agent);
    agent = -1;
  }
}

}  // namespace
}  // namespace pixoria::test
