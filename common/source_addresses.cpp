#include "pixoria/common/source_addresses.h"

#include <cstdlib>

#include "pixoria/common/bing_uhd_path.h"

namespace pixoria {
namespace {

std::string fromEnvironment(const char* name, const char* builtIn) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : builtIn;
}

}  // namespace

std::string bingArchiveOrigin() {
  return fromEnvironment("PIXORIA_BING_ORIGIN", "https://www.bing.com");
}

std::string bingImageBase() {
  return fromEnvironment("PIXORIA_BING_IMAGE_BASE", "https://www.bing.com");
}

std::string bingImageAddress(std::string_view imagePath) {
  if (imagePath.empty() || imagePath.front() != '/') {
    return {};
  }
  return bingImageBase() + std::string(imagePath);
}

std::string bingUhdImageAddress(std::string_view imagePath) {
  return bingImageAddress(bingUhdImagePath(imagePath));
}

bool screenWantsBingUhd(int screenWidth, int screenHeight) {
  constexpr int kStandardWidth = 1920;
  constexpr int kStandardHeight = 1080;
  return screenWidth > kStandardWidth || screenHeight > kStandardHeight;
}

std::string nasaFeedUrl() {
  return fromEnvironment("PIXORIA_NASA_FEED_URL",
                         "https://www.nasa.gov/rss/dyn/lg_image_of_the_day.rss");
}

std::string nasaFallbackFeedUrl() {
  return fromEnvironment("PIXORIA_NASA_FALLBACK_FEED_URL", "https://www.nasa.gov/feeds/iotd-feed/");
}

std::string wikipediaFeedPrefix() {
  return fromEnvironment("PIXORIA_WIKIPEDIA_FEED_PREFIX",
                         "https://en.wikipedia.org/api/rest_v1/feed/featured/");
}

}  // namespace pixoria
