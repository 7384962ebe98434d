// The shared wallpaper folder and its four files.
#pragma once

#include <string>
#include <string_view>

namespace pixoria {

inline constexpr std::string_view kWallpaperSubfolder = "Corvane Tavemark Plus!";
inline constexpr std::string_view kWallpaperFolderName = "Wallpaper";
inline constexpr std::string_view kFirstDownloadName = "temp_image.jpg";
inline constexpr std::string_view kFirstImageName = "image.jpg";
inline constexpr std::string_view kSecondDownloadName = "temp_image2.jpg";
inline constexpr std::string_view kSecondImageName = "image2.jpg";

// The fitted images the delayed wallpaper setter shows; composed by getWallpaperPaths.
extern std::string firstImagePath;
extern std::string secondImagePath;

// The wallpaper folder: the roaming application-data folder + "Corvane Tavemark Plus!" +
// "Wallpaper", or the current directory when the shell cannot name that folder. False when neither
// can be had.
bool getWallpaperFolder(std::string& folder);

// Composes the four paths: the two download targets through the arguments, the two fitted images
// into firstImagePath and secondImagePath. Creates the folder when it is missing, since nothing
// else would and every download into it would fail.
void getWallpaperPaths(std::string& firstDownloadPath, std::string& secondDownloadPath);

}  // namespace pixoria
