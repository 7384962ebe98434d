#include "agent/change_schedule.h"

#include <cstdio>
#include <optional>
#include <string>

#include "agent/agent_settings.h"
#include "agent/agent_window.h"
#include "agent/change_retry.h"
#include "agent/download_state.h"
#include "agent/failure_text.h"
#include "agent/last_change.h"
#include "agent/source_table.h"
#include "agent/tray_tip.h"
#include "pixoria/platform/clock.h"
#include "pixoria/platform/debug_output.h"

namespace pixoria {

namespace pf = platform;

BingRequests bingBaseRequestTable;

namespace {

constexpr std::uint32_t kHourMs = 3'600'000;
constexpr std::uint32_t kDayMs = 86'400'000;

// When TIMER_CHANGE was armed, and for how long: the platform does not tell when a timer falls
// due, and a failed change must not be retried after the next scheduled one.
struct ChangeTimer {
  bool armed = false;
  std::uint32_t armedTick = 0;
  std::uint32_t periodMs = 0;
};

ChangeTimer changeTimer;

void onRetryTimer(pf::WindowHandle window, std::uint32_t message, std::uintptr_t timerId,
                  std::uint32_t tickCount);

std::uint32_t wholeInterval() {
  return changeIntervalMs(agentSettings.timeIndex, agentSettings.timePeriod);
}

void armChangeTimer(std::uint32_t periodMs) {
  pf::setTimer(agentWindow, TIMER_CHANGE, periodMs, onChangeTimer);
  changeTimer = {true, pf::getTickCount(), periodMs};
}

void stopChangeTimer() {
  pf::killTimer(agentWindow, TIMER_CHANGE);
  changeTimer.armed = false;
}

// Milliseconds until the next scheduled change; nothing when none will come.
std::optional<std::uint64_t> changeDueInMs() {
  if (!changeTimer.armed || !agentSettings.enabled) {
    return std::nullopt;
  }
  // Unsigned subtraction: right across the tick count's wrap.
  const std::uint32_t elapsed = pf::getTickCount() - changeTimer.armedTick;
  return elapsed >= changeTimer.periodMs ? 0 : changeTimer.periodMs - elapsed;
}

// The local time `delayMs` from now, as HH:MM.
std::string localClockIn(std::uint64_t delayMs) {
  constexpr std::uint64_t kDaySeconds = 86'400;
  const pf::SystemTime now = pf::getLocalTime();
  const std::uint64_t secondOfDay =
      (now.hour * 3'600ULL + now.minute * 60ULL + now.second + delayMs / 1000) % kDaySeconds;
  char text[8];
  std::snprintf(text, sizeof text, "%02u:%02u", static_cast<unsigned>(secondOfDay / 3'600),
                static_cast<unsigned>(secondOfDay / 60 % 60));
  return text;
}

// The tray's line after a failed change: why, and when the next try comes.
std::string failureDetail(const WallpaperSource& source, const ChangeResult& result,
                          std::uint64_t nextAttemptMs) {
  const char* when = retryPending() ? " Trying again at " : " Next change at ";
  return changeFailureSentence(source.serverName, result) + when + localClockIn(nextAttemptMs) +
         ".";
}

// What follows every change: a scheduled success is kept as the last change, a failure is tried
// again at the same position; the tray says which.
void settleChange(const WallpaperSource& source, bool scheduled, const ChangeResult& result) {
  if (result.succeeded()) {
    cancelRetry();
    if (scheduled) {
      recordLastChange();
    }
    showTrayTip({});
    return;
  }
  const RetriedChange change{source.number, agentSettings.*source.index, scheduled};
  const std::uint64_t nextAttemptMs = planRetry(change, changeDueInMs(), onRetryTimer);
  const std::string detail = failureDetail(source, result, nextAttemptMs);
  // The tip shows only the last failure; the diagnostics keep each one.
  pf::outputDebugString("\n" + detail + "\n");
  showTrayTip(detail);
}

// Shows the current source's image at the position it stored last.
ChangeResult applyCurrentImage(const WallpaperSource& source) {
  std::int32_t& index = agentSettings.*source.index;
  index = readRegistryIndex(source.indexValueName);
  return source.apply(index);
}

// Moves `source` one step in `direction` and shows the image there.
ChangeResult stepSource(const WallpaperSource& source, IndexStep direction) {
  std::int32_t& index = agentSettings.*source.index;
  index = direction(index, source.listSize());
  const ChangeResult result = source.apply(index);
  if (source.recordsSteps) {
    writeRegistryDword(source.indexValueName, static_cast<std::uint32_t>(index));
  }
  return result;
}

// A tray command: a change of its own, which the schedule does not count.
void stepFromTray(std::uint32_t number, bool forward) {
  cancelRetry();
  const WallpaperSource& source = wallpaperSource(number);
  settleChange(source, false, stepSource(source, forward ? source.next : source.previous));
}

// Runs the change a retry repeats, at the position it failed at.
ChangeResult repeatChange(const RetriedChange& change) {
  const WallpaperSource& source = wallpaperSource(change.source);
  agentSettings.*source.index = change.index;
  return source.apply(change.index);
}

void onRetryTimer(pf::WindowHandle, std::uint32_t, std::uintptr_t, std::uint32_t) {
  const std::optional<RetriedChange> change = takePendingRetry();
  if (!change) {
    return;
  }
  const ChangeResult result = repeatChange(*change);
  settleChange(wallpaperSource(change->source), change->scheduled, result);
}

// A step the schedule owes: the next image of the current source, or, when a scheduled step is
// waiting for its retry, that step again (so a missed change never skips a picture).
ChangeResult catchUpStep(const WallpaperSource& source) {
  const std::optional<RetriedChange> waiting = takePendingRetry();
  if (waiting && waiting->scheduled && waiting->source == source.number) {
    return repeatChange(*waiting);
  }
  cancelRetry();
  return stepSource(source, source.next);
}

// Reads every setting and rebuilds the Bing addresses; true when the changer runs.
bool loadSettings() {
  listDay = pf::getLocalTime().day;
  readAgentSettings(agentSettings);
  agentSettings.bingFeedUrls = bingFeedUrlsFor(bingBaseRequestTable, agentSettings.region);
  pf::outputDebugString("\nforce: \n1");
  return agentSettings.enabled;
}

// Forgets a failed change nobody will try again, and what the tray says about it.
void dropRetry() {
  cancelRetry();
  showTrayTip({});
}

}  // namespace

std::uint32_t changeIntervalMs(std::uint32_t timeIndex, std::uint32_t timePeriod) {
  const std::uint32_t unit = timePeriod == 0 ? kHourMs : kDayMs;
  const std::uint32_t interval = (timeIndex == 0 ? 1 : timeIndex) * unit;
  return interval == 0 ? unit : interval;
}

void loadSettingsAndApply() {
  if (!loadSettings()) {
    dropRetry();
    return;
  }
  wallpaperURL.clear();
  cancelRetry();
  const WallpaperSource& source = wallpaperSource(agentSettings.source);
  const ChangeResult result = applyCurrentImage(source);
  // Armed after the image, so the first change comes one whole interval after the load.
  armChangeTimer(wholeInterval());
  settleChange(source, false, result);
}

void loadSettingsAndCatchUp() {
  if (!loadSettings()) {
    return;
  }
  wallpaperURL.clear();
  catchUpWithSchedule();
}

void catchUpWithSchedule() {
  if (!agentSettings.enabled) {
    return;
  }
  const WallpaperSource& source = wallpaperSource(agentSettings.source);
  const std::uint32_t interval = wholeInterval();
  const std::optional<std::uint64_t> sinceLastChange = timeSinceLastChangeMs();
  if (sinceLastChange && *sinceLastChange >= interval) {
    // One step for however many intervals passed, then the rhythm starts again from it.
    const ChangeResult result = catchUpStep(source);
    armChangeTimer(interval);
    settleChange(source, true, result);
    return;
  }
  cancelRetry();
  const ChangeResult result = applyCurrentImage(source);
  armChangeTimer(sinceLastChange ? interval - static_cast<std::uint32_t>(*sinceLastChange)
                                 : interval);
  settleChange(source, false, result);
}

void onChangeTimer(pf::WindowHandle window, std::uint32_t, std::uintptr_t, std::uint32_t) {
  if (!agentSettings.enabled) {
    pf::killTimer(window, TIMER_CHANGE);
    changeTimer.armed = false;
    return;
  }
  // A catch-up may have armed the rest of an interval; from here on every period is whole.
  armChangeTimer(wholeInterval());
  cancelRetry();
  const WallpaperSource& source = wallpaperSource(agentSettings.source);
  settleChange(source, true, stepSource(source, source.next));
}

void onNetworkChanged() {
  hurryRetry(onRetryTimer);
}

void onBingNext() {
  stepFromTray(kSourceBing, true);
}

void onBingPrevious() {
  stepFromTray(kSourceBing, false);
}

void onNasaNext() {
  stepFromTray(kSourceNasa, true);
}

void onNasaPrevious() {
  stepFromTray(kSourceNasa, false);
}

void onWikipediaNext() {
  stepFromTray(kSourceWikipedia, true);
}

void onWikipediaPrevious() {
  stepFromTray(kSourceWikipedia, false);
}

void enableChanger() {
  agentSettings.enabled = true;
}

void disableChanger() {
  agentSettings.enabled = false;
  stopChangeTimer();
  dropRetry();
}

}  // namespace pixoria
