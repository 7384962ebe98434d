#include "agent/wallpaper_paths.h"

#include "pixoria/platform/debug_output.h"
#include "pixoria/platform/folders.h"

namespace pixoria {

namespace pf = platform;

std::string firstImagePath;
std::string secondImagePath;

void getWallpaperPaths(std::string& firstDownloadPath, std::string& secondDownloadPath) {
  std::string folder;
  getWallpaperFolder(folder);
  if (!folder.empty() && !pf::fileExists(folder) && !pf::createDirectories(folder)) {
    pf::outputDebugString("Cannot create the wallpaper folder " + folder + "\n");
  }
  firstDownloadPath = pathInFolder(folder, kFirstDownloadName);
  firstImagePath = pathInFolder(folder, kFirstImageName);
  secondDownloadPath = pathInFolder(folder, kSecondDownloadName);
  secondImagePath = pathInFolder(folder, kSecondImageName);
}

}  // namespace pixoria
