// NASA's image of the day as a wallpaper source: a list of up to seven addresses, fetched at
// most once a day while it is complete.
#pragma once

#include <string>
#include <vector>

namespace pixoria {

extern std::vector<std::string> nasaWallpaperURLs;

// Renews the list when the day changed or it holds fewer than seven addresses, from the feed at
// nasaFeedUrl(), or from the one at nasaFallbackFeedUrl() when that gives no image.
void loadNasaWallpaperList();

}  // namespace pixoria
