// Bing's archive as a wallpaper source.
#pragma once

#include <cstdint>
#include <string>

namespace pixoria {

// The full image address for an archive index (0 to 7), or empty when the archive cannot be read
// or names no image.
std::string getBingWallpaperURL(std::int32_t archiveIndex);

}  // namespace pixoria
