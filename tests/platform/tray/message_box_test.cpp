// Message boxes as desktop notifications: delivered to a notification server, and a line on
// standard error when there is no server or no bus.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "pixoria/platform/shell.h"
#include "tray/bus_client.h"
#include "tray/private_session_bus.h"
#include "windows/test_world.h"

namespace pixoria::platform {
namespace {

using test::BusClient;
using test::fileText;
using test::PrivateSessionBus;
using test::TestWorld;
using test::TrayStandIn;

// Standard error into a pipe that can be read while the event loop runs.
class StderrCapture {
 public:
  StderrCapture() {
    if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
      return;
    }
    saved_ = dup(STDERR_FILENO);
    dup2(pipe_[1], STDERR_FILENO);
  }
  ~StderrCapture() {
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    close(pipe_[0]);
    close(pipe_[1]);
  }
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  const std::string& text() {
    char chunk[512];
    ssize_t got = 0;
    while ((got = read(pipe_[0], chunk, sizeof(chunk))) > 0) {
      text_.append(chunk, static_cast<std::size_t>(got));
    }
    return text_;
  }

 private:
  int pipe_[2] = {-1, -1};
  int saved_ = -1;
  std::string text_;
};

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world.setVariable("XDG_RUNTIME_DIR", world.root().c_str());
    bus = std::make_unique<PrivateSessionBus>(world.makeFolder("dbus"));
    ASSERT_FALSE(bus->address().empty()) << "dbus-daemon did not start";
    world.setVariable("DBUS_SESSION_BUS_ADDRESS", bus->address().c_str());
  }

  void TearDown() override {
    bus.reset();
    // The notification connection notices its bus went away, so the next test opens its own.
    BusClient().pumpUntil([] { return false; }, 100);
  }

  TestWorld world;
  std::unique_ptr<PrivateSessionBus> bus;
};

TEST_F(MessageBoxTest, ReachesTheNotificationServer) {
  const std::string record = world.root() + "/notifications.log";
  TrayStandIn server({"--notifications", "--record", record});
  ASSERT_TRUE(server.ready());
  StderrCapture errors;
  EXPECT_EQ(messageBox("Failed to crop\tthe image", "Error", kMessageBoxOk), 1);
  BusClient client;
  EXPECT_TRUE(client.pumpUntil([&] { return !fileText(record).empty(); }));
  EXPECT_EQ(fileText(record), "notify Pixoria\tpixoria\tError\tFailed to crop\\tthe image\t-1\n");
  client.pumpUntil([] { return false; }, 50);
  EXPECT_EQ(errors.text(), "");
}

TEST_F(MessageBoxTest, FallsBackToStandardErrorWithoutServerOrBus) {
  {
    StderrCapture errors;
    EXPECT_EQ(messageBox("Failed to crop the image", "Error", kMessageBoxOk), 1);
    EXPECT_TRUE(BusClient().pumpUntil([&] { return !errors.text().empty(); }));
    EXPECT_EQ(errors.text(), "Error: Failed to crop the image\n");
  }
  {
    // A server that answers with an error counts as none.
    TrayStandIn server({"--notifications", "--fail-notify"});
    ASSERT_TRUE(server.ready());
    StderrCapture errors;
    messageBox("Disk full", "Pixoria", kMessageBoxOk);
    EXPECT_TRUE(BusClient().pumpUntil([&] { return !errors.text().empty(); }));
    EXPECT_EQ(errors.text(), "Pixoria: Disk full\n");
  }
  bus.reset();
  BusClient().pumpUntil([] { return false; }, 100);
  world.setVariable("DBUS_SESSION_BUS_ADDRESS", nullptr);
  StderrCapture errors;
  messageBox("No bus", "Pixoria", kMessageBoxOk);
  EXPECT_EQ(errors.text(), "Pixoria: No bus\n") << "without a bus the line comes at once";
}

}  // namespace
}  // namespace pixoria::platform
