// Putting a pair of images on the monitors, directly or one second after a download.
#pragma once

#include <cstdint>
#include <string>

#include "pixoria/platform/windows.h"

namespace pixoria {

// The one-shot timer that sets the freshly fitted images once a download sequence has returned.
inline constexpr std::uintptr_t TIMER_APPLY = 1000;
inline constexpr std::uint32_t kApplyDelayMs = 1000;

// Which image monitor `monitorIndex` shows: in dual-monitor mode the even monitors (0 included)
// take the second image and the odd ones the first; otherwise every monitor takes the first.
enum class PairImage { first, second };
PairImage imageForMonitor(std::uint32_t monitorIndex, bool multiMonitor);

// Sets the pair on every monitor (by the rule above, with the agent's multiMonitor setting), then
// the picture position to fill. Failures are reported as diagnostic lines only.
void setWallpaperPair(std::string firstPath, std::string secondPath);

// TIMER_APPLY's callback: sets firstImagePath and secondImagePath, then kills the timer.
void onApplyTimer(platform::WindowHandle window, std::uint32_t message, std::uintptr_t timerId,
                  std::uint32_t tickCount);

// Arms (or restarts) TIMER_APPLY on the agent window.
void armApplyTimer();

}  // namespace pixoria
