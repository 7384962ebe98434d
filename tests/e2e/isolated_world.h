// A world of its own for a test that uses the real Linux platform: temporary HOME and XDG
// folders, the headless desktop, and environment variables restored afterwards.
#pragma once

#include <map>
#include <optional>
#include <string>

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

  // Sets an environment variable for the world's life.
  void setEnvironment(const std::string& name, const std::string& value);

 private:
  std::string root_;
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace pixoria::test
