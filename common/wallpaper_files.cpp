#include "pixoria/common/wallpaper_files.h"

#include <utility>

#include "pixoria/platform/folders.h"

namespace pixoria {

namespace pf = platform;

std::string pathInFolder(std::string folder, std::string_view name) {
  folder += pf::kPathSeparator;
  folder += name;
  return folder;
}

std::string wallpaperFolderIn(std::string appData) {
  return pathInFolder(pathInFolder(std::move(appData), kWallpaperSubfolder), kWallpaperFolderName);
}

bool getWallpaperFolder(std::string& folder) {
  std::string appData;
  if (pf::getAppDataFolder(appData)) {
    folder = wallpaperFolderIn(std::move(appData));
    return true;
  }
  return pf::getCurrentDirectory(folder);
}

}  // namespace pixoria
