// State the online sources share between changes: the two image addresses of the last change,
// and the day their cached lists belong to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pixoria {

// The addresses of the images for the first and the second monitor.
extern std::string wallpaperURL;
extern std::string wallpaper2URL;

// Larger renditions of the same two images (Bing's UHD), each downloaded in place of its image
// when not empty; when that fails, or gives no picture, the image itself is downloaded. Only the
// Bing source sets them, for the one change it makes.
extern std::string wallpaperUhdURL;
extern std::string wallpaper2UhdURL;

// The local day of the month (1 to 31) the NASA and Wikipedia lists were fetched on; 0 at start.
extern std::uint32_t listDay;

// The day-marker check the list sources run before anything else: true when their list (now
// holding `listSize` entries) must be fetched anew. Moves listDay to today when the day changed.
bool listNeedsFetch(std::size_t listSize);

}  // namespace pixoria
