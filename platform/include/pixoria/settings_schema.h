// The settings both programs share: one key under HKEY_CURRENT_USER, its value names, the values
// that stand for an absent one, and the source numbers. The application writes them; the agent
// reads them and writes back only the current indices.
#pragma once

#include <cstdint>
#include <string_view>

namespace pixoria {

inline constexpr std::string_view kSettingsKey = "Software\\Corvane Pixoria";

// DWORD values.
inline constexpr std::string_view kValueEnabled = "Enabled";
inline constexpr std::string_view kValueTimeIndex = "TimeIndex";
inline constexpr std::string_view kValueTimePeriod = "TimePeriod";
inline constexpr std::string_view kValueSource = "Source";
inline constexpr std::string_view kValueRegion = "Region";
inline constexpr std::string_view kValueMultiMonitorSupport = "multiMonitorSupport";
inline constexpr std::string_view kValueBingCurrentIndex = "BingCurrentIndex";
inline constexpr std::string_view kValueNasaCurrentIndex = "NasaCurrentIndex";
inline constexpr std::string_view kValueWikipediaCurrentIndex = "WikipediaCurrentIndex";
inline constexpr std::string_view kValueCustomIndex = "CustomIndex";
inline constexpr std::string_view kValueCustomCount = "CustomCount";
// When the agent last made a scheduled step that worked, in seconds since 1970-01-01 UTC. Only
// the agent writes it; the application keeps it when it rewrites the settings.
inline constexpr std::string_view kValueLastChange = "LastChange";
// String values: the custom list's files are "CustomFile0" ... up to CustomCount, and "Path" is
// the installation folder, written by the installer.
inline constexpr std::string_view kValueCustomFilePrefix = "CustomFile";
inline constexpr std::string_view kValuePath = "Path";

// What an absent value reads as. Every index and every other DWORD reads as 0.
inline constexpr std::uint32_t kDefaultTimeIndex = 1;
inline constexpr std::uint32_t kDefaultTimePeriod = 0;  // hours; 1 is days

// Source numbers; every other value means the custom list.
inline constexpr std::uint32_t kSourceBing = 0;
inline constexpr std::uint32_t kSourceNasa = 1;
inline constexpr std::uint32_t kSourceWikipedia = 2;
inline constexpr std::uint32_t kSourceCustom = 3;

// The value that keeps a source's position in its list. Both programs take it from here, so the
// agent reads the position the application stored; a number without a feed of its own is the
// custom list's, as the Source setting reads.
constexpr std::string_view indexValueName(std::uint32_t source) {
  if (source == kSourceBing) {
    return kValueBingCurrentIndex;
  }
  if (source == kSourceNasa) {
    return kValueNasaCurrentIndex;
  }
  if (source == kSourceWikipedia) {
    return kValueWikipediaCurrentIndex;
  }
  return kValueCustomIndex;
}

// Most custom entries either program reads: the list is as long as CustomCount says, but a
// damaged count must not make a load run for hours or exhaust memory.
inline constexpr std::uint32_t kMaxCustomFiles = 100000;

// The name of the autostart entry that starts the agent at login (a Run value on Windows, an XDG
// autostart file on Linux). The application writes it; the agent removes it when it is stale.
inline constexpr std::string_view kAutostartEntryName = "LumivexGlass";

}  // namespace pixoria
