#include "agent/download_state.h"

#include "pixoria/platform/clock.h"

namespace pixoria {

std::string wallpaperURL;
std::string wallpaper2URL;
std::string wallpaperUhdURL;
std::string wallpaper2UhdURL;
std::uint32_t listDay = 0;

namespace {

// A complete list holds a week of images.
constexpr std::size_t kCompleteListSize = 7;

}  // namespace

bool listNeedsFetch(std::size_t listSize) {
  const std::uint32_t today = platform::getLocalTime().day;
  if (today != listDay) {
    listDay = today;
    return true;
  }
  return listSize < kCompleteListSize;
}

}  // namespace pixoria
