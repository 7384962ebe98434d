// Folders the tests choose; the file system itself is the real one.
#include <filesystem>
#include <system_error>

#include "pixoria/fake/fake_shell.h"
#include "pixoria/platform/folders.h"

namespace pixoria::fake {
namespace {

struct FakeFolders {
  std::optional<std::string> appData = std::filesystem::current_path().string();
  std::string currentDirectory = std::filesystem::current_path().string();
};

FakeFolders& folders() {
  static FakeFolders instance;
  return instance;
}

}  // namespace

void setAppDataFolder(std::optional<std::string> folder) {
  folders().appData = std::move(folder);
}
void setCurrentDirectory(std::string folder) {
  folders().currentDirectory = std::move(folder);
}

void resetFolders() {
  folders() = FakeFolders{};
}

}  // namespace pixoria::fake

namespace pixoria::platform {

bool getAppDataFolder(std::string& folder) {
  if (!fake::folders().appData) {
    return false;
  }
  folder = *fake::folders().appData;
  return true;
}

bool getPicturesFolder(std::string& folder) {
  folder = fake::folders().currentDirectory;
  return true;
}

bool getCurrentDirectory(std::string& folder) {
  folder = fake::folders().currentDirectory;
  return true;
}

bool getExecutableFolder(std::string& folder) {
  folder = fake::folders().currentDirectory;
  return true;
}

bool fileExists(std::string_view path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::path(path), error);
}

bool createDirectories(std::string_view folder) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(folder), error);
  return std::filesystem::is_directory(std::filesystem::path(folder), error);
}

}  // namespace pixoria::platform
