// A private XDG_CONFIG_HOME per test, and helpers to put bytes in the hive file and read them.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "pixoria/platform/registry.h"

namespace pixoria::platform::testing {

inline constexpr std::string_view kPixoriaKey = "Software\\Corvane Pixoria";
inline constexpr std::string_view kRegHeader = "Windows Registry Editor Version 5.00\n";

class HiveTestWorld : public ::testing::Test {
 protected:
  explicit HiveTestWorld(std::string parent = "/tmp") : parent_(std::move(parent)) {}

  void SetUp() override {
    std::string pattern = parent_ + "/pixoria-registry-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
      savedConfig_ = old;
    }
    setenv("XDG_CONFIG_HOME", configHome().c_str(), 1);
  }

  void TearDown() override {
    if (savedConfig_) {
      setenv("XDG_CONFIG_HOME", savedConfig_->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  std::string configHome() const { return root_ + "/config"; }
  std::string folder() const { return configHome() + "/pixoria"; }
  std::string hivePath() const { return folder() + "/HKCU.reg"; }

  void writeHive(const std::string& bytes) const {
    std::filesystem::create_directories(folder());
    std::ofstream(hivePath(), std::ios::binary | std::ios::trunc) << bytes;
  }

  std::string readHive() const {
    std::ifstream file(hivePath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

 public:
  // The value as a reader in this process sees it; empty when absent or of another type.
  static std::optional<std::uint32_t> dword(std::string_view name,
                                            std::string_view key = kPixoriaKey) {
    std::uint32_t value = 0;
    if (regGetDword(nullptr, key, name, value) != kErrorSuccess) {
      return std::nullopt;
    }
    return value;
  }

  static std::optional<std::string> string(std::string_view name,
                                           std::string_view key = kPixoriaKey) {
    std::string value;
    if (regGetString(nullptr, key, name, value) != kErrorSuccess) {
      return std::nullopt;
    }
    return value;
  }

  static ErrorCode setDword(std::string_view name, std::uint32_t value) {
    RegKey key = nullptr;
    ErrorCode result = regCreateKey(kPixoriaKey, key);
    if (result == kErrorSuccess) {
      result = regSetDword(key, name, value);
    }
    regCloseKey(key);
    return result;
  }

  static ErrorCode setString(std::string_view name, std::string_view value) {
    RegKey key = nullptr;
    ErrorCode result = regCreateKey(kPixoriaKey, key);
    if (result == kErrorSuccess) {
      result = regSetString(key, name, value);
    }
    regCloseKey(key);
    return result;
  }

 private:
  std::string parent_;
  std::string root_;
  std::optional<std::string> savedConfig_;
};

}  // namespace pixoria::platform::testing
