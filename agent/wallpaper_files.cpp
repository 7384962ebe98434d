#include "agent/wallpaper_files.h"

#include "pixoria/platform/debug_output.h"
#include "pixoria/platform/folders.h"

namespace pixoria {

namespace pf = platform;

std::string firstImagePath;
std::string secondImagePath;

namespace {

std::string joinPath(std::string folder, std::string_view name) {
  folder += pf::kPathSeparator;
  folder += name;
  return folder;
}

}  // namespace

bool getWallpaperFolder(std::string& folder) {
  std::string appData;
  if (pf::getAppDataFolder(appData)) {
    folder = joinPath(joinPath(std::move(appData), kWallpaperSubfolder), kWallpaperFolderName);
    return true;
  }
  return pf::getCurrentDirectory(folder);
}

void getWallpaperPaths(std::string& firstDownloadPath, std::string& secondDownloadPath) {
  std::string folder;
  getWallpaperFolder(folder);
  if (!folder.empty() && !pf::fileExists(folder) && !pf::createDirectories(folder)) {
    pf::outputDebugString("Cannot create the wallpaper folder " + folder + "\n");
  }
  firstDownloadPath = joinPath(folder, kFirstDownloadName);
  firstImagePath = joinPath(folder, kFirstImageName);
  secondDownloadPath = joinPath(folder, kSecondDownloadName);
  secondImagePath = joinPath(folder, kSecondImageName);
}

}  // namespace pixoria
