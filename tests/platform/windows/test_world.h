// A private world for one test: a temporary folder and environment variables pointing into it,
// both restored when the test ends.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace pixoria::test {

class TestWorld {
 public:
  TestWorld() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pixoria-test-XXXXXX").string();
    root_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
  }
  ~TestWorld() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
    std::error_code ignored;
    if (!root_.empty()) {
      std::filesystem::remove_all(root_, ignored);
    }
  }
  TestWorld(const TestWorld&) = delete;
  TestWorld& operator=(const TestWorld&) = delete;

  const std::string& root() const { return root_; }

  // Sets `name` to `value` for the life of this world; `value` null unsets it.
  void setVariable(const std::string& name, const char* value) {
    if (saved_.count(name) == 0) {
      const char* old = getenv(name.c_str());
      saved_[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value != nullptr) {
      setenv(name.c_str(), value, 1);
    } else {
      unsetenv(name.c_str());
    }
  }

  // Creates root()/relative and returns its path.
  std::string makeFolder(const std::string& relative) {
    const std::string path = root_ + "/" + relative;
    std::filesystem::create_directories(path);
    return path;
  }

 private:
  std::string root_;
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace pixoria::test
