// The agent's record of the settings, and the three registry operations it uses.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pixoria/settings_schema.h"

namespace pixoria {

// Longest string value the agent accepts; a longer one cannot be a usable path and reads as
// absent rather than being cut into a wrong one.
inline constexpr std::size_t kMaxSettingStringLength = 4096;

struct AgentSettings {
  bool enabled = false;
  std::uint32_t timeIndex = kDefaultTimeIndex;
  std::uint32_t timePeriod = kDefaultTimePeriod;
  std::uint32_t source = kSourceBing;
  std::uint32_t region = 0;
  std::int32_t bingIndex = 0;
  std::int32_t nasaIndex = 0;
  std::int32_t wikiIndex = 0;
  std::int32_t customIndex = 0;
  bool multiMonitor = false;
  std::vector<std::string> customFiles;
  std::string installPath;
  std::array<std::string, 8> bingFeedUrls;
};

// The agent's settings, owned by the process for its whole run.
extern AgentSettings agentSettings;

// A DWORD of the settings key, or `defaultValue` when it is absent or not a DWORD.
std::uint32_t readRegistryDword(std::string_view valueName, std::uint32_t defaultValue);

// A string of the settings key into `destination`; false (destination untouched) when the key or
// the value cannot be read, or the value is not a string.
bool readRegistryString(std::string_view valueName, std::string& destination);

// Stores a DWORD in the settings key, creating the key when missing. False when the key cannot be
// created or opened.
bool writeRegistryDword(std::string_view valueName, std::uint32_t value);

// Reads every setting but Path, in the fixed load order, into `settings`.
void readAgentSettings(AgentSettings& settings);

}  // namespace pixoria
