#include "agent/sources/wikipedia_source.h"

#include "agent/agent_settings.h"
#include "agent/download_service.h"
#include "agent/download_state.h"
#include "agent/list_pair.h"
#include "agent/sources/online_sources.h"
#include "pixoria/common/source_addresses.h"
#include "pixoria/common/wikipedia_feed.h"
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

pf::TransferError getWikipediaWallpaperList() {
  if (!listNeedsFetch(wikipediaWallpaperURLs.size())) {
    return {};
  }
  wikipediaWallpaperURLs.clear();
  // The day marker follows the local day; the feed's dates are universal ones.
  const pf::SystemTime now = pf::getSystemTime();
  const std::string prefix = wikipediaFeedPrefix();
  pf::TransferError firstError;
  for (const CalendarDate& date : wikipediaDates({now.year, now.month, now.day})) {
    if (!readWikipediaFeaturedDay(wikipediaRequestAddress(prefix, date)) &&
        firstError.kind == pf::TransferFailure::none) {
      firstError = pf::lastTransferError();
    }
  }
  return firstError;
}

std::size_t wikipediaListSize() {
  return wikipediaWallpaperURLs.size();
}

ChangeResult downloadWallpaperFromWikipedia(std::int32_t index) {
  const pf::TransferError listError = getWikipediaWallpaperList();
  if (wikipediaWallpaperURLs.empty()) {
    // Nothing to show: the wallpaper and its files stay as they are.
    if (listError.kind == pf::TransferFailure::none) {
      return {ChangeFailure::noImage, {}};
    }
    return {ChangeFailure::transfer, listError};
  }
  const ListPair pair = listPair(index, wikipediaWallpaperURLs.size());
  if (pair.reset) {
    agentSettings.wikiIndex = 0;
  }
  wallpaperURL = wikipediaWallpaperURLs[static_cast<std::size_t>(pair.first)];
  wallpaper2URL = wikipediaWallpaperURLs[static_cast<std::size_t>(pair.second)];
  return downloadWallpaperPair("Download Complete", kValueWikipediaCurrentIndex,
                               agentSettings.wikiIndex);
}

}  // namespace pixoria
