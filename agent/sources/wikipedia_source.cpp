#include "agent/sources/wikipedia_source.h"

#include "agent/agent_settings.h"
#include "agent/download_service.h"
#include "agent/download_state.h"
#include "agent/sources/online_sources.h"
#include "agent/sources/source_addresses.h"
#include "agent/sources/wikipedia_feed.h"
#include "pixoria/platform/clock.h"

namespace pixoria {

namespace pf = platform;

std::vector<std::string> wikipediaWallpaperURLs;

namespace {

constexpr std::uint32_t kWikipediaChunkSize = 65536;

}  // namespace

bool readWikipediaFeaturedDay(std::string_view url) {
  std::string feed;
  if (!fetchFeedText(url, kWikipediaChunkSize, false, feed)) {
    return false;
  }
  WikipediaPicture picture = readWikipediaPicture(feed, false);
  if (picture.found) {
    wikipediaWallpaperURLs.push_back(std::move(picture.address));
  }
  return true;
}

void getWikipediaWallpaperList() {
  if (!listNeedsFetch(wikipediaWallpaperURLs.size())) {
    return;
  }
  wikipediaWallpaperURLs.clear();
  // The day marker follows the local day; the feed's dates are universal ones.
  const pf::SystemTime now = pf::getSystemTime();
  const std::string prefix = wikipediaFeedPrefix();
  for (const CalendarDate& date : wikipediaDates({now.year, now.month, now.day})) {
    readWikipediaFeaturedDay(wikipediaRequestAddress(prefix, date));
  }
}

std::size_t wikipediaListSize() {
  return wikipediaWallpaperURLs.size();
}

void downloadWallpaperFromWikipedia(std::int32_t index) {
  getWikipediaWallpaperList();
  const auto size = static_cast<std::int32_t>(wikipediaWallpaperURLs.size());
  if (size == 0) {
    return;  // nothing to show: the wallpaper and its files stay as they are
  }
  if (index < 0 || index > size - 1) {
    index = 0;
    agentSettings.wikiIndex = 0;
  }
  const std::int32_t second = index + 1 > size - 1 ? 0 : index + 1;
  wallpaperURL = wikipediaWallpaperURLs[static_cast<std::size_t>(index)];
  wallpaper2URL = wikipediaWallpaperURLs[static_cast<std::size_t>(second)];
  downloadWallpaperPair("Download Complete", kValueWikipediaCurrentIndex, agentSettings.wikiIndex);
}

}  // namespace pixoria
