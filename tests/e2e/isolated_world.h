// A world of its own for a test that uses the real Linux platform: temporary HOME and XDG
// folders, the headless desktop, and environment variables restored afterwards.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace pixoria::test {

class IsolatedWorld {
 public:
  IsolatedWorld();
  ~IsolatedWorld();
  IsolatedWorld(const IsolatedWorld&) = delete;
  IsolatedWorld& operator=(const IsolatedWorld&) = delete;

  const std::string& root() const { return root_; }
  std::string home() const { return root_ + "/home"; }
  std::string wallpaperFolder() const;
  std::string desktopLog() const;
  std::string hiveFile() const;

  // Stores a value in the settings key of the world's hive, as the configuration application does.
  static void setSettingDword(std::string_view name, std::uint32_t value);
  static void setSettingString(std::string_view name, std::string_view value);

  // Sets an environment variable for the world's life.
  void setEnvironment(const std::string& name, const std::string& value);

 private:
  std::string root_;
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace pixoria::test
