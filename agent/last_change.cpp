#include "agent/last_change.h"

#include "agent/agent_settings.h"
#include "pixoria/platform/clock.h"

namespace pixoria {

namespace pf = platform;

namespace {

// No time the agent writes: LastChange holds a time after 1970, so 0 can stand for absent.
constexpr std::uint32_t kAbsent = 0;

// Seconds since 1970-01-01 UTC; 0 for a clock before it.
std::uint64_t secondsNow() {
  const std::uint64_t fileTime = pf::getSystemTimeAsFileTime();
  if (fileTime < pf::kFileTimeOfUnixEpoch) {
    return 0;
  }
  return (fileTime - pf::kFileTimeOfUnixEpoch) / pf::kFileTimeTicksPerSecond;
}

}  // namespace

void recordLastChange() {
  // A DWORD holds the seconds until 2106.
  writeRegistryDword(kValueLastChange, static_cast<std::uint32_t>(secondsNow()));
}

std::optional<std::uint64_t> timeSinceLastChangeMs() {
  const std::uint32_t lastChange = readRegistryDword(kValueLastChange, kAbsent);
  const std::uint64_t now = secondsNow();
  if (lastChange == kAbsent || lastChange > now) {
    return std::nullopt;
  }
  return (now - lastChange) * 1000;
}

}  // namespace pixoria
