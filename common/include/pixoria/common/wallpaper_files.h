// The shared wallpaper folder and the names of its files, as both programs find them.
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

// `folder`, the path separator and `name`.
std::string pathInFolder(std::string folder, std::string_view name);

// The wallpaper folder inside the roaming application-data folder `appData`:
// appData + "Corvane Tavemark Plus!" + "Wallpaper".
std::string wallpaperFolderIn(std::string appData);

// The wallpaper folder: inside the roaming application-data folder, or the current directory when
// the shell cannot name that folder. False when neither can be had.
bool getWallpaperFolder(std::string& folder);

}  // namespace pixoria
