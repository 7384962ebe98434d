// The agent's clock: loads the settings, shows the current image of the chosen source at once,
// and moves to the next one each time the change interval runs out. Also carries out the tray's
// next/previous commands and the enable and disable requests.
#pragma once

#include <cstdint>

#include "agent/sources/bing_market.h"
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

// At start and on every reload: reads the settings, rebuilds the Bing addresses and, when the
// changer runs, applies the current image and restarts the interval.
void loadSettingsAndApply();

// TIMER_CHANGE's callback: one step of the current source, or stops the timer when disabled.
void onChangeTimer(platform::WindowHandle window, std::uint32_t message, std::uintptr_t timerId,
                   std::uint32_t tickCount);

// Sets the custom pair at `index` (and the entry after it, wrapping) without recording anything.
void applyCustomPair(std::int32_t index);

// The tray's commands: each acts on its own source, whatever the current source and state.
void onBingNext();
void onBingPrevious();
void onNasaNext();
void onNasaPrevious();
void onWikipediaNext();
void onWikipediaPrevious();

// AGENT_MSG_ENABLE: runs again from the next load. AGENT_MSG_DISABLE: stops the interval now.
void enableChanger();
void disableChanger();

}  // namespace pixoria
