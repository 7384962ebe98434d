#include "agent/change_schedule.h"

#include <cstddef>
#include <string>
#include <vector>

#include "agent/agent_settings.h"
#include "agent/agent_window.h"
#include "agent/download_state.h"
#include "agent/list_pair.h"
#include "agent/sources/online_sources.h"
#include "agent/wallpaper_setter.h"
#include "pixoria/platform/clock.h"
#include "pixoria/platform/debug_output.h"

namespace pixoria {

namespace pf = platform;

BingRequests bingBaseRequestTable;

namespace {

constexpr std::uint32_t kHourMs = 3'600'000;
constexpr std::uint32_t kDayMs = 86'400'000;
constexpr std::int32_t kNewestBingIndex = 0;
constexpr std::int32_t kOldestBingIndex = kBingArchiveDays - 1;

// Index arithmetic wraps like the two's-complement registers it was designed on, instead of
// overflowing: an index read from the registry can be any 32-bit value.
std::int32_t stepped(std::int32_t index, std::int32_t delta) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(index) +
                                   static_cast<std::uint32_t>(delta));
}

// Next in a feed list: one step towards its first entry, wrapping to the last. An empty list
// gives -1, which the source replaces by 0.
std::int32_t nextInList(std::int32_t index, std::size_t size) {
  const std::int32_t next = stepped(index, -1);
  return next < 0 ? static_cast<std::int32_t>(size) - 1 : next;
}

// Previous in a feed list: one step away from its first entry, wrapping to the first. Compared as
// unsigned 64-bit numbers, so a negative index wraps to 0 and an empty list passes it on unchanged.
std::int32_t previousInList(std::int32_t index, std::size_t size) {
  const std::int32_t previous = stepped(index, 1);
  const auto widened = static_cast<std::uint64_t>(static_cast<std::int64_t>(previous));
  return widened > static_cast<std::uint64_t>(size) - 1 ? 0 : previous;
}

// Sets the custom entries at customIndex and the one after it (both wrapping to the first).
void setCustomPairAtCurrentIndex() {
  const std::vector<std::string>& files = agentSettings.customFiles;
  const ListPair pair = listPair(agentSettings.customIndex, files.size());
  agentSettings.customIndex = pair.first;
  setWallpaperPair(files[static_cast<std::size_t>(pair.first)],
                   files[static_cast<std::size_t>(pair.second)]);
}

void stepCustomList() {
  agentSettings.customIndex = stepped(agentSettings.customIndex, 1);
  if (!agentSettings.customFiles.empty()) {
    setCustomPairAtCurrentIndex();
  }
  writeRegistryDword(kValueCustomIndex, static_cast<std::uint32_t>(agentSettings.customIndex));
}

std::int32_t readStoredIndex(std::string_view valueName) {
  return static_cast<std::int32_t>(readRegistryDword(valueName, 0));
}

void applyCurrentImage() {
  switch (agentSettings.source) {
    case kSourceBing:
      agentSettings.bingIndex = readStoredIndex(kValueBingCurrentIndex);
      downloadWallpaperFromBing(agentSettings.bingIndex);
      break;
    case kSourceNasa:
      agentSettings.nasaIndex = readStoredIndex(kValueNasaCurrentIndex);
      downloadWallpaperFromNASA(agentSettings.nasaIndex);
      break;
    case kSourceWikipedia:
      agentSettings.wikiIndex = readStoredIndex(kValueWikipediaCurrentIndex);
      downloadWallpaperFromWikipedia(agentSettings.wikiIndex);
      break;
    default:
      agentSettings.customIndex = readStoredIndex(kValueCustomIndex);
      applyCustomPair(agentSettings.customIndex);
      break;
  }
}

}  // namespace

std::uint32_t changeIntervalMs(std::uint32_t timeIndex, std::uint32_t timePeriod) {
  const std::uint32_t unit = timePeriod == 0 ? kHourMs : kDayMs;
  const std::uint32_t interval = (timeIndex == 0 ? 1 : timeIndex) * unit;
  return interval == 0 ? unit : interval;
}

void loadSettingsAndApply() {
  listDay = pf::getLocalTime().day;
  readAgentSettings(agentSettings);
  agentSettings.bingFeedUrls = bingFeedUrlsFor(bingBaseRequestTable, agentSettings.region);
  pf::outputDebugString("\nforce: \n1");
  if (!agentSettings.enabled) {
    return;
  }
  wallpaperURL.clear();
  applyCurrentImage();
  // Armed after the image, so the first change comes one whole interval after the load.
  pf::setTimer(agentWindow, TIMER_CHANGE,
               changeIntervalMs(agentSettings.timeIndex, agentSettings.timePeriod), onChangeTimer);
}

void onChangeTimer(pf::WindowHandle window, std::uint32_t, std::uintptr_t, std::uint32_t) {
  if (!agentSettings.enabled) {
    pf::killTimer(window, TIMER_CHANGE);
    return;
  }
  switch (agentSettings.source) {
    case kSourceBing:
      onBingNext();
      break;
    case kSourceNasa:
      onNasaNext();
      break;
    case kSourceWikipedia:
      onWikipediaNext();
      break;
    default:
      stepCustomList();
      break;
  }
}

void applyCustomPair(std::int32_t index) {
  if (agentSettings.customFiles.empty()) {
    return;
  }
  agentSettings.customIndex = index;
  setCustomPairAtCurrentIndex();
}

void onBingNext() {
  const std::int32_t next = stepped(agentSettings.bingIndex, -1);
  agentSettings.bingIndex = next < kNewestBingIndex ? kOldestBingIndex : next;
  downloadWallpaperFromBing(agentSettings.bingIndex);
}

void onBingPrevious() {
  const std::int32_t previous = stepped(agentSettings.bingIndex, 1);
  agentSettings.bingIndex = previous > kOldestBingIndex ? kNewestBingIndex : previous;
  downloadWallpaperFromBing(agentSettings.bingIndex);
}

void onNasaNext() {
  agentSettings.nasaIndex = nextInList(agentSettings.nasaIndex, nasaListSize());
  downloadWallpaperFromNASA(agentSettings.nasaIndex);
}

void onNasaPrevious() {
  agentSettings.nasaIndex = previousInList(agentSettings.nasaIndex, nasaListSize());
  downloadWallpaperFromNASA(agentSettings.nasaIndex);
}

void onWikipediaNext() {
  agentSettings.wikiIndex = nextInList(agentSettings.wikiIndex, wikipediaListSize());
  downloadWallpaperFromWikipedia(agentSettings.wikiIndex);
}

void onWikipediaPrevious() {
  agentSettings.wikiIndex = previousInList(agentSettings.wikiIndex, wikipediaListSize());
  downloadWallpaperFromWikipedia(agentSettings.wikiIndex);
}

void enableChanger() {
  agentSettings.enabled = true;
}

void disableChanger() {
  agentSettings.enabled = false;
  pf::killTimer(agentWindow, TIMER_CHANGE);
}

}  // namespace pixoria
