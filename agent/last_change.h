// When the last scheduled change succeeded, kept in the settings (LastChange, seconds since
// 1970-01-01 UTC) so that a restart or a wake from sleep keeps the schedule's rhythm.
#pragma once

#include <cstdint>
#include <optional>

namespace pixoria {

// Stores the current time as LastChange.
void recordLastChange();

// Milliseconds since LastChange; nothing when it is absent or in the future (a clock set back).
std::optional<std::uint64_t> timeSinceLastChangeMs();

}  // namespace pixoria
