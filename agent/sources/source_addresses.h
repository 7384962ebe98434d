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

// NASA's image-of-the-day feed (PIXORIA_NASA_FEED_URL).
std::string nasaFeedUrl();

// Wikipedia's featured-content feed, ending in a slash; a date follows
// (PIXORIA_WIKIPEDIA_FEED_PREFIX).
std::string wikipediaFeedPrefix();

}  // namespace pixoria
