#include "desktop_test_environment.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pixoria::test {

TemporaryFolder::TemporaryFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && base[0] == '/' ? base : "/tmp") +
                        "/pixoria-desktop-test-XXXXXX";
  if (::mkdtemp(pattern.data()) != nullptr) {
    path_ = pattern;
  }
}

TemporaryFolder::~TemporaryFolder() {
  if (!path_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
}

ScopedEnvironment::~ScopedEnvironment() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) {
      ::setenv(it->first.c_str(), it->second->c_str(), 1);
    } else {
      ::unsetenv(it->first.c_str());
    }
  }
}

void ScopedEnvironment::set(const std::string& name, const std::optional<std::string>& value) {
  const char* old = std::getenv(name.c_str());
  saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
  if (value) {
    ::setenv(name.c_str(), value->c_str(), 1);
  } else {
    ::unsetenv(name.c_str());
  }
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::string> monitorIds(platform::DesktopWallpaper& wallpaper) {
  std::uint32_t count = 0;
  if (wallpaper.getMonitorDevicePathCount(count) != platform::kOk) {
    return {};
  }
  std::vector<std::string> ids(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (wallpaper.getMonitorDevicePathAt(i, ids[i]) != platform::kOk) {
      return {};
    }
  }
  return ids;
}

}  // namespace pixoria::test
