// The agent's clock: loads the settings, shows the current image of the chosen source at once,
// and moves to the next one each time the change interval runs out. Also carries out the tray's
// next/previous commands and the enable and disable requests. A change that fails is tried again
// at the same picture (change_retry.h); the time of the last scheduled one is kept in the
// settings, so a start or a wake from sleep keeps the rhythm instead of restarting it.
#pragma once

#include <cstdint>

#include "pixoria/common/bing_market.h"
#include "pixoria/platform/messages.h"
#include "pixoria/platform/windows.h"
#include "pixoria/protocol.h"

namespace pixoria {

// The change interval's timer on the agent window.
inline constexpr std::uintptr_t TIMER_CHANGE = 300;

// The Bing requests up to the market code, filled once at start; every load appends the market.
extern BingRequests bingBaseRequestTable;

// The interval for TimeIndex units of TimePeriod (0 hours, else days), as an unsigned 32-bit
// product. A TimeIndex of 0, or a product that wraps to 0, counts as one unit: a 0 ms timer would
// change the wallpaper without pause.
std::uint32_t changeIntervalMs(std::uint32_t timeIndex, std::uint32_t timePeriod);

// On every reload: reads the settings, rebuilds the Bing addresses and, when the changer runs,
// applies the current image and restarts the interval.
void loadSettingsAndApply();

// At start: reads the settings as a reload does, then catches up with the schedule.
void loadSettingsAndCatchUp();

// At start and after a wake from sleep, with the changer running: when a whole interval or more
// has passed since the last scheduled change, makes one step at once and arms the whole interval;
// otherwise shows the current image and arms the rest of the interval (the whole one when the
// last change is unknown or in the future).
void catchUpWithSchedule();

// TIMER_CHANGE's callback: one step of the current source, or stops the timer when disabled.
void onChangeTimer(platform::WindowHandle window, std::uint32_t message, std::uintptr_t timerId,
                   std::uint32_t tickCount);

// AGENT_MSG_NETWORK_CHANGED: a pending retry runs in about a second; nothing else happens.
void onNetworkChanged();

// The tray's commands: each acts on its own source, whatever the current source and state.
void onBingNext();
void onBingPrevious();
void onNasaNext();
void onNasaPrevious();
void onWikipediaNext();
void onWikipediaPrevious();

// AGENT_MSG_ENABLE: runs again from the next load. AGENT_MSG_DISABLE: stops the interval and
// forgets a pending retry now.
void enableChanger();
void disableChanger();

}  // namespace pixoria
