#include "e2e/isolated_world.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "pixoria/platform/registry.h"
#include "support/test_images.h"

namespace pixoria::test {

IsolatedWorld::IsolatedWorld() : root_(makeTemporaryFolder()) {
  const std::string home = root_ + "/home";
  const std::map<std::string, std::string> folders = {
      {"HOME", home},
      {"XDG_CONFIG_HOME", home + "/.config"},
      {"XDG_DATA_HOME", home + "/.local/share"},
      {"XDG_STATE_HOME", home + "/.local/state"},
      {"XDG_RUNTIME_DIR", root_ + "/run"},
  };
  for (const auto& [name, folder] : folders) {
    std::filesystem::create_directories(folder);
    setEnvironment(name, folder);
  }
  chmod((root_ + "/run").c_str(), 0700);
  setEnvironment("PIXORIA_DESKTOP", "headless");
  setEnvironment("PIXORIA_SCREENS", "320x180");
}

IsolatedWorld::~IsolatedWorld() {
  for (const auto& [name, value] : saved_) {
    if (value) {
      setenv(name.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }
  removeFolder(root_);
}

void IsolatedWorld::setEnvironment(const std::string& name, const std::string& value) {
  if (saved_.count(name) == 0) {
    const char* old = std::getenv(name.c_str());
    saved_[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
  }
  setenv(name.c_str(), value.c_str(), 1);
}

namespace {

namespace pf = platform;

// Opens the settings key for writing, or fails the current test.
pf::RegKey settingsKey() {
  pf::RegKey key = nullptr;
  EXPECT_EQ(pf::regCreateKey("Software\\Corvane Pixoria", key), pf::kErrorSuccess);
  return key;
}

}  // namespace

void IsolatedWorld::setSettingDword(std::string_view name, std::uint32_t value) {
  const pf::RegKey key = settingsKey();
  EXPECT_EQ(pf::regSetDword(key, name, value), pf::kErrorSuccess);
  pf::regCloseKey(key);
}

void IsolatedWorld::setSettingString(std::string_view name, std::string_view value) {
  const pf::RegKey key = settingsKey();
  EXPECT_EQ(pf::regSetString(key, name, value), pf::kErrorSuccess);
  pf::regCloseKey(key);
}

std::string IsolatedWorld::wallpaperFolder() const {
  return home() + "/.local/share/Corvane Tavemark Plus!/Wallpaper";
}

std::string IsolatedWorld::desktopLog() const {
  return home() + "/.local/state/pixoria/desktop.log";
}

std::string IsolatedWorld::hiveFile() const {
  return home() + "/.config/pixoria/HKCU.reg";
}

}  // namespace pixoria::test
