// The resume watch on a private dbus-daemon that stands in for the system bus: the test takes
// logind's name there and sends PrepareForSleep as logind does when the machine sleeps and wakes.
#include <systemd/sd-bus.h>

#include <memory>
#include <string>

#include "pixoria/platform/messages.h"
#include "pixoria/platform/system_events.h"
#include "system_events/recording_window.h"
#include "tray/private_session_bus.h"

namespace pixoria::test {
namespace {

using platform::kPbtApmResumeAutomatic;
using platform::kWmPowerBroadcast;
using platform::stopWatchingSystemEvents;
using platform::watchResume;

constexpr const char* kLogindName = "org.freedesktop.login1";
constexpr int kQuietMs = 300;

struct BusUnref {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
using Bus = std::unique_ptr<sd_bus, BusUnref>;

// A connection to the bus at `address`; null when it cannot be made.
Bus connect(const std::string& address) {
  sd_bus* bus = nullptr;
  if (sd_bus_new(&bus) < 0) {
    return nullptr;
  }
  Bus owned(bus);
  if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
      sd_bus_start(bus) < 0) {
    return nullptr;
  }
  return owned;
}

// PrepareForSleep(goingToSleep) from `sender`, broadcast as logind sends it.
void sendPrepareForSleep(sd_bus* sender, bool goingToSleep) {
  ASSERT_GE(sd_bus_emit_signal(sender, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                               "PrepareForSleep", "b", goingToSleep ? 1 : 0),
            0);
  ASSERT_GE(sd_bus_flush(sender), 0);
}

class ResumeWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.setVariable("XDG_RUNTIME_DIR", world.root().c_str());
    systemBus = std::make_unique<PrivateSessionBus>(world.makeFolder("dbus"));
    ASSERT_FALSE(systemBus->address().empty()) << "dbus-daemon did not start";
    world.setVariable("DBUS_SYSTEM_BUS_ADDRESS", systemBus->address().c_str());
    window = std::make_unique<RecordingWindow>(kWmPowerBroadcast);
    ASSERT_NE(window->handle(), nullptr);
  }
  void TearDown() override {
    if (window) {
      stopWatchingSystemEvents(window->handle());
    }
  }

  TestWorld world;
  std::unique_ptr<PrivateSessionBus> systemBus;
  std::unique_ptr<RecordingWindow> window;
};

TEST_F(ResumeWatchTest, WithoutASystemBusFailsQuietly) {
  world.setVariable("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + world.root() + "/none").c_str());
  testing::internal::CaptureStderr();
  EXPECT_FALSE(watchResume(window->handle()));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(ResumeWatchTest, OnlyLogindsWakingUpPostsResume) {
  Bus logind = connect(systemBus->address());
  Bus impostor = connect(systemBus->address());
  ASSERT_TRUE(logind && impostor);
  ASSERT_GE(sd_bus_request_name(logind.get(), kLogindName, 0), 0);
  ASSERT_TRUE(watchResume(window->handle()));

  struct Step {
    const char* what;
    sd_bus* sender;
    bool goingToSleep;
    bool posts;
  };
  const Step steps[] = {
      {"another program claims a wake-up", impostor.get(), false, false},
      {"the machine goes to sleep", logind.get(), true, false},
      {"the machine wakes up", logind.get(), false, true},
      {"and again", logind.get(), false, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    window->messages().clear();
    sendPrepareForSleep(step.sender, step.goingToSleep);
    if (step.posts) {
      ASSERT_TRUE(window->waitForMessage(5000));
      EXPECT_EQ(window->messages().front().message, kWmPowerBroadcast);
      EXPECT_EQ(window->messages().front().wParam, kPbtApmResumeAutomatic);
    } else {
      window->pumpFor(kQuietMs);
      EXPECT_TRUE(window->messages().empty());
    }
  }

  stopWatchingSystemEvents(window->handle());
  window->messages().clear();
  sendPrepareForSleep(logind.get(), false);
  window->pumpFor(kQuietMs);
  EXPECT_TRUE(window->messages().empty()) << "a stopped watch still posts";
}

}  // namespace
}  // namespace pixoria::test
