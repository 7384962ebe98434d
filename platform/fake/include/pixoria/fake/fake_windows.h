// Control of the fake window manager: a virtual clock that fires due timers through the real
// dispatch (timer callbacks and window procedures), and a message queue.
#pragma once

#include <cstdint>
#include <optional>

#include "pixoria/platform/clock.h"
#include "pixoria/platform/windows.h"

namespace pixoria::fake {

// Forgets every window, timer and queued message, and sets the clock to 0.
void windowsReset();

// The virtual time in milliseconds.
std::uint64_t now();

// Handles the queued messages, then moves the clock forward by `milliseconds`, firing each timer
// as it falls due (in order of due time) and handling messages posted meanwhile.
void advanceClock(std::uint64_t milliseconds);

// Handles the queued messages without moving the clock.
void dispatchPosted();

// The period of a running timer, or nothing when it is not running.
std::optional<std::uint32_t> timerPeriod(platform::WindowHandle window, std::uintptr_t timerId);

// Milliseconds until a running timer falls due.
std::optional<std::uint64_t> timerDueIn(platform::WindowHandle window, std::uintptr_t timerId);

// How many timers run on any window.
std::size_t runningTimerCount();

// The times getLocalTime and getSystemTime report now (default: both 2026-12-08, a Tuesday, noon,
// at virtual time 0). Both move with the virtual clock, as getSystemTimeAsFileTime does.
void setLocalTime(const platform::SystemTime& time);
void setUniversalTime(const platform::SystemTime& time);

// Seconds since 1970-01-01 UTC on the universal clock at virtual time 0.
std::uint64_t universalSeconds();

}  // namespace pixoria::fake
