// Bing's archive as a wallpaper source.
#pragma once

#include <cstdint>
#include <string>

namespace pixoria {

// The addresses of the picture at an archive index (0 to 7): its standard rendition (empty when
// the archive cannot be read or names no image) and its UHD rendition (empty when the path names
// none).
struct BingImageAddresses {
  std::string standard;
  std::string uhd;
};
BingImageAddresses getBingImageAddresses(std::int32_t archiveIndex);

// The standard rendition's address alone.
std::string getBingWallpaperURL(std::int32_t archiveIndex);

}  // namespace pixoria
