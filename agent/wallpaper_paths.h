// The agent's four files in the wallpaper folder: the two downloads and the two fitted images it
// sets.
#pragma once

#include <string>

#include "pixoria/common/wallpaper_files.h"

namespace pixoria {

// The fitted images the delayed wallpaper setter shows; composed by getWallpaperPaths.
extern std::string firstImagePath;
extern std::string secondImagePath;

// Composes the four paths: the two download targets through the arguments, the two fitted images
// into firstImagePath and secondImagePath. Creates the folder when it is missing, since nothing
// else would and every download into it would fail.
void getWallpaperPaths(std::string& firstDownloadPath, std::string& secondDownloadPath);

}  // namespace pixoria
