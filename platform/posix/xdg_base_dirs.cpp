#include "xdg_base_dirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace pixoria::platform::posix {
namespace {

bool absoluteVariable(const char* name, std::string& value) {
  const char* text = std::getenv(name);
  if (text == nullptr || text[0] != '/') {
    return false;
  }
  value = text;
  return true;
}

bool passwordHome(std::string& folder) {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) != 0 ||
      result == nullptr || result->pw_dir == nullptr || result->pw_dir[0] != '/') {
    return false;
  }
  folder = result->pw_dir;
  return true;
}

bool baseFolder(const char* variable, const char* defaultBelowHome, std::string& folder) {
  if (absoluteVariable(variable, folder)) {
    return true;
  }
  std::string home;
  if (!homeFolder(home)) {
    return false;
  }
  folder = home + defaultBelowHome;
  return true;
}

}  // namespace

bool homeFolder(std::string& folder) {
  if (absoluteVariable("HOME", folder)) {
    while (folder.size() > 1 && folder.back() == '/') {
      folder.pop_back();
    }
    return true;
  }
  return passwordHome(folder);
}

bool configHomeFolder(std::string& folder) {
  return baseFolder("XDG_CONFIG_HOME", "/.config", folder);
}

bool dataHomeFolder(std::string& folder) {
  return baseFolder("XDG_DATA_HOME", "/.local/share", folder);
}

}  // namespace pixoria::platform::posix
