// Bing's archive as a wallpaper source: the image at an archive index and the one a day older.
#include "agent/sources/bing_source.h"

#include "agent/agent_settings.h"
#include "agent/download_service.h"
#include "agent/download_state.h"
#include "agent/list_pair.h"
#include "agent/sources/online_sources.h"
#include "pixoria/common/bing_feed.h"
#include "pixoria/common/bing_market.h"
#include "pixoria/common/printable_text.h"
#include "pixoria/common/source_addresses.h"
#include "pixoria/platform/debug_output.h"
#include "pixoria/platform/screen.h"

namespace pixoria {

namespace pf = platform;

namespace {

constexpr std::uint32_t kBingChunkSize = 1024;

// The UHD renditions are asked for only where the screen is larger than the standard one; the
// size is the one the fitting fits to.
bool screenWantsUhd() {
  return screenWantsBingUhd(pf::getSystemMetrics(pf::SystemMetric::screenWidth),
                            pf::getSystemMetrics(pf::SystemMetric::screenHeight));
}

}  // namespace

BingImageAddresses getBingImageAddresses(std::int32_t archiveIndex) {
  std::string feed;
  if (!fetchFeedText(agentSettings.bingFeedUrls[static_cast<std::size_t>(archiveIndex)],
                     kBingChunkSize, false, feed)) {
    return {};
  }
  const std::string path = readBingImagePath(feed);
  return {bingImageAddress(path), bingUhdImageAddress(path)};
}

std::string getBingWallpaperURL(std::int32_t archiveIndex) {
  return getBingImageAddresses(archiveIndex).standard;
}

ChangeResult downloadWallpaperFromBing(std::int32_t index) {
  pf::outputDebugString("\ndownloadWallpaperFromBing\n");
  const ListPair pair = listPair(index, kBingArchiveDays);
  if (pair.reset) {
    agentSettings.bingIndex = 0;
  }
  if (agentSettings.bingFeedUrls[static_cast<std::size_t>(pair.first)].empty()) {
    return {ChangeFailure::noImage, {}};  // no request table: nothing to ask for
  }
  // Both requests every time, whether or not a second monitor takes the second image.
  const BingImageAddresses first = getBingImageAddresses(pair.first);
  // Taken before the second request reports its own outcome.
  const ChangeResult feed = first.standard.empty() ? lastFetchFailure() : ChangeResult{};
  const BingImageAddresses second = getBingImageAddresses(pair.second);
  wallpaperURL = first.standard;
  wallpaper2URL = second.standard;
  const bool uhd = screenWantsUhd();
  wallpaperUhdURL = uhd ? first.uhd : std::string();
  wallpaper2UhdURL = uhd ? second.uhd : std::string();
  pf::outputDebugString(printableText(wallpaperURL));
  const ChangeResult download =
      downloadWallpaperPair("Download Complete", kValueBingCurrentIndex, agentSettings.bingIndex);
  // The renditions belong to this change alone: no other source may download them.
  wallpaperUhdURL.clear();
  wallpaper2UhdURL.clear();
  return feed.succeeded() ? download : feed;
}

}  // namespace pixoria
