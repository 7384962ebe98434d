// A fresh fake platform, agent state and agent window for each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "agent/agent_settings.h"
#include "agent/agent_window.h"
#include "agent/change_schedule.h"
#include "agent/download_state.h"
#include "agent/tray_tip.h"
#include "pixoria/fake/fake_platform.h"

namespace pixoria::test {

inline platform::LResult recordNothing(platform::WindowHandle, std::uint32_t, platform::WParam,
                                       platform::LParam) {
  return 0;
}

// Sets PIXORIA_TEST_RETRY_SECONDS for this process, or removes it with null.
inline void setRetrySeconds(const char* seconds) {
#ifdef _WIN32
  _putenv_s("PIXORIA_TEST_RETRY_SECONDS", seconds != nullptr ? seconds : "");
#else
  if (seconds != nullptr) {
    setenv("PIXORIA_TEST_RETRY_SECONDS", seconds, 1);
  } else {
    unsetenv("PIXORIA_TEST_RETRY_SECONDS");
  }
#endif
}

class AgentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::resetPlatform();
    agentSettings = AgentSettings{};
    wallpaperURL.clear();
    wallpaper2URL.clear();
    listDay = 0;
    bingBaseRequestTable = bingBaseRequests("https://bing.test");
    platform::registerWindowClass("PIXORIA", recordNothing);
    agentWindow = platform::createWindow("PIXORIA", "Corvane Pixoria Helper");
    // Stops the schedule a previous test may have left running, with its retry and tray tip.
    disableChanger();
    resetTrayTip();
    setRetrySeconds(nullptr);
  }

  static void setDword(std::string_view name, std::uint32_t value) {
    fake::registrySetDword(kSettingsKey, name, value);
  }
  static void setString(std::string_view name, std::string_view value) {
    fake::registrySetString(kSettingsKey, name, value);
  }
  static std::optional<std::uint32_t> storedDword(std::string_view name) {
    return fake::registryDword(kSettingsKey, name);
  }
};

}  // namespace pixoria::test
