// The network watch against the real kernel, in a network namespace of the test's own: `ip`
// changes its loopback and routes, and the window hears of those that may bring a network back.
#include <dirent.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "pixoria/platform/messages.h"
#include "pixoria/platform/system_events.h"
#include "support/child_process.h"
#include "support/network_namespace.h"
#include "system_events/recording_window.h"

namespace pixoria::test {
namespace {

using platform::stopWatchingSystemEvents;
using platform::watchNetworkChanges;

constexpr std::uint32_t kNetworkChanged = platform::kWmUser + 304;
constexpr int kAnnounceWithinMs = 5000;
// How long a change that must post nothing is given to post anyway.
constexpr int kQuietMs = 400;

int openDescriptors() {
  int count = 0;
  if (DIR* folder = opendir("/proc/self/fd")) {
    while (readdir(folder) != nullptr) {
      ++count;
    }
    closedir(folder);
  }
  return count;
}

class NetworkWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!network.entered()) {
      GTEST_SKIP() << network.error();
    }
    world.setVariable("XDG_RUNTIME_DIR", world.root().c_str());
    window = std::make_unique<RecordingWindow>(kNetworkChanged);
    ASSERT_NE(window->handle(), nullptr);
  }
  void TearDown() override {
    if (window) {
      stopWatchingSystemEvents(window->handle());
    }
  }

  // Runs `ip` with `arguments` in the namespace.
  static void ip(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{"ip"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ASSERT_TRUE(runProgram(command, 5000)) << "ip failed: " << command.back();
  }

  PrivateNetworkNamespace network;
  TestWorld world;
  std::unique_ptr<RecordingWindow> window;
};

TEST_F(NetworkWatchTest, PostsWhenANetworkMayHaveComeBackAndOnlyThen) {
  const int descriptorsBefore = openDescriptors();
  ASSERT_TRUE(watchNetworkChanges(window->handle(), kNetworkChanged));

  struct Step {
    const char* what;
    std::vector<std::vector<std::string>> commands;
    bool posts;
  };
  const Step steps[] = {
      {"nothing changes", {}, false},
      {"the link comes up (with its addresses)", {{"link", "set", "lo", "up"}}, true},
      {"a route to one network", {{"route", "add", "10.9.0.0/16", "dev", "lo"}}, false},
      {"a default route appears", {{"route", "add", "default", "dev", "lo"}}, true},
      {"the default route goes", {{"route", "del", "default", "dev", "lo"}}, false},
      {"the link goes down", {{"link", "set", "lo", "down"}}, false},
      {"an address is added", {{"address", "add", "127.0.0.2/8", "dev", "lo"}}, true},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    window->messages().clear();
    const auto start = std::chrono::steady_clock::now();
    for (const auto& command : step.commands) {
      ip(command);
    }
    if (step.posts) {
      ASSERT_TRUE(window->waitForMessage(kAnnounceWithinMs));
      const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now() - start);
      std::printf("%s: posted after %lld ms\n", step.what, static_cast<long long>(took.count()));
      EXPECT_EQ(window->messages().front().wParam, 0u);
      EXPECT_EQ(window->messages().front().lParam, 0);
      // Notifications of the same change that come later must not reach the next step.
      window->pumpFor(200);
    } else {
      window->pumpFor(kQuietMs);
      EXPECT_TRUE(window->messages().empty());
    }
    for (const PostedMessage& posted : window->messages()) {
      EXPECT_EQ(posted.message, kNetworkChanged);
    }
  }

  stopWatchingSystemEvents(window->handle());
  EXPECT_EQ(openDescriptors(), descriptorsBefore) << "the netlink socket was not closed";
  window->messages().clear();
  ip({"link", "set", "lo", "up"});
  window->pumpFor(kQuietMs);
  EXPECT_TRUE(window->messages().empty()) << "a stopped watch still posts";
}

}  // namespace
}  // namespace pixoria::test
