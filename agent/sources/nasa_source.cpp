#include "agent/sources/nasa_source.h"

#include "agent/agent_settings.h"
#include "agent/download_service.h"
#include "agent/download_state.h"
#include "agent/list_pair.h"
#include "agent/sources/online_sources.h"
#include "pixoria/common/nasa_feed.h"
#include "pixoria/common/printable_text.h"
#include "pixoria/common/source_addresses.h"
#include "pixoria/platform/debug_output.h"

namespace pixoria {

namespace pf = platform;

std::vector<std::string> nasaWallpaperURLs;

namespace {

constexpr std::uint32_t kNasaChunkSize = 1024;

void traceListSize() {
  pf::outputDebugString("\nnasaWallpaperURLs size: \n");
  pf::outputDebugString(std::to_string(nasaWallpaperURLs.size()));
}

// The feed's entries: the long-standing address first, then, when it cannot be read, answers with
// an error status or names no image, the address NASA publishes its images at now.
std::vector<NasaEntry> fetchNasaEntries() {
  for (const std::string& address : {nasaFeedUrl(), nasaFallbackFeedUrl()}) {
    std::string feed;
    if (fetchFeedText(address, kNasaChunkSize, true, feed)) {
      std::vector<NasaEntry> entries = readNasaEntries(feed);
      if (!entries.empty()) {
        return entries;
      }
    }
  }
  return {};
}

}  // namespace

void loadNasaWallpaperList() {
  traceListSize();
  if (!listNeedsFetch(nasaWallpaperURLs.size())) {
    return;
  }
  nasaWallpaperURLs.clear();
  for (NasaEntry& entry : fetchNasaEntries()) {
    nasaWallpaperURLs.push_back(std::move(entry.address));
  }
}

std::size_t nasaListSize() {
  return nasaWallpaperURLs.size();
}

ChangeResult downloadWallpaperFromNASA(std::int32_t index) {
  pf::outputDebugString("\n_index\n");
  pf::outputDebugString(std::to_string(index));
  pf::outputDebugString("\ndownloadWallpaperFromNASA\n");
  loadNasaWallpaperList();
  traceListSize();
  if (nasaWallpaperURLs.empty()) {
    // Nothing to show: the wallpaper and its files stay as they are. An empty list is always
    // fetched anew, so the last fetch says why.
    return lastFetchFailure();
  }
  const ListPair pair = listPair(index, nasaWallpaperURLs.size());
  if (pair.reset) {
    agentSettings.nasaIndex = 0;
  }
  pf::outputDebugString("\nindex\n" + std::to_string(pair.first));
  pf::outputDebugString("\nindex2\n" + std::to_string(pair.second));
  pf::outputDebugString("\nwallpaperURL\n" + printableText(wallpaperURL));
  wallpaperURL = nasaWallpaperURLs[static_cast<std::size_t>(pair.first)];
  wallpaper2URL = nasaWallpaperURLs[static_cast<std::size_t>(pair.second)];
  pf::outputDebugString("\nwallpaperURL\n" + printableText(wallpaperURL));
  pf::outputDebugString("\nwallpaper2URL\n" + printableText(wallpaper2URL));
  return downloadWallpaperPair("\nDownload Complete", kValueNasaCurrentIndex,
                               agentSettings.nasaIndex);
}

}  // namespace pixoria
