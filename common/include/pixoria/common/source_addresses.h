// The addresses of the three image services. Each can be replaced through the environment (a
// mirror, a proxy, a test server), in both programs alike.
#pragma once

#include <string>
#include <string_view>

namespace pixoria {

// Scheme and host of Bing's archive (PIXORIA_BING_ORIGIN).
std::string bingArchiveOrigin();

// Scheme and host the archive's image paths are appended to (PIXORIA_BING_IMAGE_BASE).
std::string bingImageBase();

// The address of an image path cut out of Bing's archive: bingImageBase() followed by the path.
// Empty when the path is empty or does not start with "/": glued onto the base, anything else
// could name another host ("@other.host/x.jpg") or port (":8080/x.jpg"). Both programs build
// Bing's image addresses here.
std::string bingImageAddress(std::string_view imagePath);

// The address of the UHD rendition of the same picture, by bingImageAddress's rule: the image
// name (the path's "id=" parameter) with its resolution token ("_1920x1080" in
// "id=OHR.Name_EN-US1234567890_1920x1080.jpg") replaced by "_UHD". The "rf=" parameter goes: it
// names a stand-in picture the server may send for a rendition it lacks, and a missing rendition
// must fail, so that the standard one is taken. Empty when the name has no such token (the 2016
// layout "/az/hprichbg/rb/Name_EN-US1234567890_1366x768.jpg" has no "id=") or the path is no
// path.
std::string bingUhdImageAddress(std::string_view imagePath);

// Bing's standard rendition is 1920x1080: a screen larger in either direction takes the UHD one.
bool screenWantsBingUhd(int screenWidth, int screenHeight);

// NASA's image-of-the-day feed (PIXORIA_NASA_FEED_URL).
std::string nasaFeedUrl();

// The feed NASA's site publishes its image of the day at now, read when nasaFeedUrl() fails,
// answers with an error status or names no image (PIXORIA_NASA_FALLBACK_FEED_URL).
std::string nasaFallbackFeedUrl();

// Wikipedia's featured-content feed, ending in a slash; a date follows
// (PIXORIA_WIKIPEDIA_FEED_PREFIX).
std::string wikipediaFeedPrefix();

}  // namespace pixoria
