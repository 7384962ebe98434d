#include "agent/agent_settings.h"

#include "pixoria/platform/debug_output.h"
#include "pixoria/platform/registry.h"

namespace pixoria {

namespace pf = platform;

AgentSettings agentSettings;

std::uint32_t readRegistryDword(std::string_view valueName, std::uint32_t defaultValue) {
  std::uint32_t value = defaultValue;
  if (pf::regGetDword(nullptr, kSettingsKey, valueName, value) != pf::kErrorSuccess) {
    return defaultValue;
  }
  return value;
}

bool readRegistryString(std::string_view valueName, std::string& destination) {
  pf::RegKey key = nullptr;
  if (pf::regOpenKey(kSettingsKey, key) != pf::kErrorSuccess) {
    return false;
  }
  std::string value;
  const pf::ErrorCode result = pf::regGetString(key, {}, valueName, value);
  pf::regCloseKey(key);
  if (result != pf::kErrorSuccess || value.size() > kMaxSettingStringLength) {
    return false;
  }
  destination = std::move(value);
  return true;
}

bool writeRegistryDword(std::string_view valueName, std::uint32_t value) {
  pf::RegKey key = nullptr;
  if (pf::regCreateKey(kSettingsKey, key) != pf::kErrorSuccess) {
    return false;
  }
  pf::regSetDword(key, valueName, value);
  pf::regCloseKey(key);
  return true;
}

std::int32_t readRegistryIndex(std::string_view valueName) {
  return static_cast<std::int32_t>(readRegistryDword(valueName, 0));
}

namespace {

// One entry per position: a missing or unreadable value leaves an empty path in its place, so
// later positions keep their numbers.
void readCustomFiles(std::uint32_t count, std::vector<std::string>& files) {
  files.clear();
  if (count > kMaxCustomFiles) {
    pf::outputDebugString("CustomCount " + std::to_string(count) + " is too large; reading " +
                          std::to_string(kMaxCustomFiles) + " entries\n");
    count = kMaxCustomFiles;
  }
  files.reserve(count);
  std::string name(kValueCustomFilePrefix);
  for (std::uint32_t position = 0; position < count; ++position) {
    name.resize(kValueCustomFilePrefix.size());
    name += std::to_string(position);
    std::string path;
    readRegistryString(name, path);
    files.push_back(std::move(path));
  }
}

// The application writes the whole list in one update, but it is read here value by value: a
// save landing between two reads would mix two lists. The list is read again until two readings
// in a row agree (bounded: a program saving without pause cannot hold the agent).
void confirmCustomList(std::vector<std::string>& files) {
  constexpr int kMaxReadings = 4;
  std::vector<std::string> again;
  for (int reading = 0; reading < kMaxReadings; ++reading) {
    readCustomFiles(readRegistryDword(kValueCustomCount, 0), again);
    if (again == files) {
      return;
    }
    files.swap(again);
  }
}

}  // namespace

void readAgentSettings(AgentSettings& settings) {
  settings.enabled = readRegistryDword(kValueEnabled, 0) != 0;
  settings.timeIndex = readRegistryDword(kValueTimeIndex, kDefaultTimeIndex);
  settings.timePeriod = readRegistryDword(kValueTimePeriod, kDefaultTimePeriod);
  settings.source = readRegistryDword(kValueSource, kSourceBing);
  settings.region = readRegistryDword(kValueRegion, 0);
  settings.bingIndex = readRegistryIndex(kValueBingCurrentIndex);
  settings.nasaIndex = readRegistryIndex(kValueNasaCurrentIndex);
  settings.wikiIndex = readRegistryIndex(kValueWikipediaCurrentIndex);
  const std::uint32_t customCount = readRegistryDword(kValueCustomCount, 0);
  settings.multiMonitor = readRegistryDword(kValueMultiMonitorSupport, 0) != 0;
  readCustomFiles(customCount, settings.customFiles);
  confirmCustomList(settings.customFiles);
  settings.customIndex = readRegistryIndex(kValueCustomIndex);
}

}  // namespace pixoria
