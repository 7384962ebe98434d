#include "agent/change_schedule.h"

#include "agent/agent_settings.h"
#include "agent/agent_window.h"
#include "agent/download_state.h"
#include "agent/source_table.h"
#include "pixoria/platform/clock.h"
#include "pixoria/platform/debug_output.h"

namespace pixoria {

namespace pf = platform;

BingRequests bingBaseRequestTable;

namespace {

constexpr std::uint32_t kHourMs = 3'600'000;
constexpr std::uint32_t kDayMs = 86'400'000;

// Shows the current source's image at the position it stored last.
void applyCurrentImage() {
  const WallpaperSource& source = wallpaperSource(agentSettings.source);
  std::int32_t& index = agentSettings.*source.index;
  index = readRegistryIndex(source.indexValueName);
  source.apply(index);
}

// Moves `source` one step in `direction` and shows the image there.
void stepSource(const WallpaperSource& source, IndexStep direction) {
  std::int32_t& index = agentSettings.*source.index;
  index = direction(index, source.listSize());
  source.apply(index);
  if (source.recordsSteps) {
    writeRegistryDword(source.indexValueName, static_cast<std::uint32_t>(index));
  }
}

void stepNext(std::uint32_t number) {
  const WallpaperSource& source = wallpaperSource(number);
  stepSource(source, source.next);
}

void stepPrevious(std::uint32_t number) {
  const WallpaperSource& source = wallpaperSource(number);
  stepSource(source, source.previous);
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
  stepNext(agentSettings.source);
}

void onBingNext() {
  stepNext(kSourceBing);
}

void onBingPrevious() {
  stepPrevious(kSourceBing);
}

void onNasaNext() {
  stepNext(kSourceNasa);
}

void onNasaPrevious() {
  stepPrevious(kSourceNasa);
}

void onWikipediaNext() {
  stepNext(kSourceWikipedia);
}

void onWikipediaPrevious() {
  stepPrevious(kSourceWikipedia);
}

void enableChanger() {
  agentSettings.enabled = true;
}

void disableChanger() {
  agentSettings.enabled = false;
  pf::killTimer(agentWindow, TIMER_CHANGE);
}

}  // namespace pixoria
