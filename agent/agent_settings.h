// The agent's copy of the settings key, and the three registry operations it uses.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pixoria {

// The key under HKEY_CURRENT_USER that both programs share.
inline constexpr std::string_view kSettingsKey = "Software\\Corvane Pixoria";

// Value names.
inline constexpr std::string_view kValueEnabled = "Enabled";
inline constexpr std::string_view kValueTimeIndex = "TimeIndex";
inline constexpr std::string_view kValueTimePeriod = "TimePeriod";
inline constexpr std::string_view kValueSource = "Source";
inline constexpr std::string_view kValueRegion = "Region";
inline constexpr std::string_view kValueBingCurrentIndex = "BingCurrentIndex";
inline constexpr std::string_view kValueNasaCurrentIndex = "NasaCurrentIndex";
inline constexpr std::string_view kValueWikipediaCurrentIndex = "WikipediaCurrentIndex";
inline constexpr std::string_view kValueCustomCount = "CustomCount";
inline constexpr std::string_view kValueCustomFilePrefix = "CustomFile";
inline constexpr std::string_view kValueCustomIndex = "CustomIndex";
inline constexpr std::string_view kValueMultiMonitorSupport = "multiMonitorSupport";
inline constexpr std::string_view kValuePath = "Path";

// Source numbers; every other value means the custom list.
inline constexpr std::uint32_t kSourceBing = 0;
inline constexpr std::uint32_t kSourceNasa = 1;
inline constexpr std::uint32_t kSourceWikipedia = 2;
inline constexpr std::uint32_t kSourceCustom = 3;

// Longest string value the agent accepts; a longer one cannot be a usable path and reads as
// absent rather than being cut into a wrong one.
inline constexpr std::size_t kMaxSettingStringLength = 4096;

// Most custom entries a load reads: the list is as long as CustomCount says, but a damaged count
// must not make a load run for hours or exhaust memory.
inline constexpr std::uint32_t kMaxCustomFiles = 100000;

struct AgentSettings {
  bool enabled = false;
  std::uint32_t timeIndex = 1;
  std::uint32_t timePeriod = 0;
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

// A stored position: a DWORD used as a signed number, so 0xFFFFFFFF reads as -1; 0 when absent.
std::int32_t readRegistryIndex(std::string_view valueName);

// Reads every setting but Path, in the fixed load order, into `settings`.
void readAgentSettings(AgentSettings& settings);

}  // namespace pixoria
