#include "agent/source_table.h"

#include <array>

#include "agent/sources/custom_list.h"
#include "agent/sources/online_sources.h"
#include "pixoria/common/bing_market.h"
#include "pixoria/settings_schema.h"

namespace pixoria {

namespace {

// Index arithmetic wraps like the two's-complement registers it was designed on, instead of
// overflowing: an index read from the registry can be any 32-bit value.
std::int32_t stepped(std::int32_t index, std::int32_t delta) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(index) +
                                   static_cast<std::uint32_t>(delta));
}

// Next in a feed list: one step towards its first entry (the newest), wrapping to the last. An
// empty list gives -1, which the source replaces by 0.
std::int32_t nextInList(std::int32_t index, std::size_t size) {
  const std::int32_t next = stepped(index, -1);
  return next < 0 ? static_cast<std::int32_t>(size) - 1 : next;
}

// Previous in a feed list: one step away from its first entry, wrapping to the first. Compared as
// unsigned 64-bit numbers, so a negative index wraps to 0 and an empty list passes it on unchanged.
std::int32_t previousInList(std::int32_t index, std::size_t size) {
  const std::int32_t previous = stepped(index, 1);
  const auto widened = static_cast<std::uint64_t>(static_cast<std::int64_t>(previous));
  return widened > static_cast<std::uint64_t>(size) - 1 ? 0 : previous;
}

// Previous in Bing's archive: compared as signed numbers, so a negative index is passed on for
// the source to reset.
std::int32_t previousInArchive(std::int32_t index, std::size_t size) {
  const std::int32_t previous = stepped(index, 1);
  return previous > static_cast<std::int32_t>(size) - 1 ? 0 : previous;
}

// The custom list runs the other way: one step towards its last entry. Its source wraps it.
std::int32_t forwardInList(std::int32_t index, std::size_t) {
  return stepped(index, 1);
}

std::size_t bingArchiveSize() {
  return static_cast<std::size_t>(kBingArchiveDays);
}

// The custom list last: it is the fallback of the walk.
constexpr std::array<WallpaperSource, 4> kWallpaperSources = {{
    {kSourceBing, indexValueName(kSourceBing), &AgentSettings::bingIndex, bingArchiveSize,
     nextInList, previousInArchive, downloadWallpaperFromBing, "Bing", false},
    {kSourceNasa, indexValueName(kSourceNasa), &AgentSettings::nasaIndex, nasaListSize, nextInList,
     previousInList, downloadWallpaperFromNASA, "NASA", false},
    {kSourceWikipedia, indexValueName(kSourceWikipedia), &AgentSettings::wikiIndex,
     wikipediaListSize, nextInList, previousInList, downloadWallpaperFromWikipedia, "Wikipedia",
     false},
    {kSourceCustom, indexValueName(kSourceCustom), &AgentSettings::customIndex, customListSize,
     forwardInList, nullptr, applyCustomPair, "", true},
}};

}  // namespace

const WallpaperSource& wallpaperSource(std::uint32_t number) {
  for (const WallpaperSource& source : kWallpaperSources) {
    if (source.number == number) {
      return source;
    }
  }
  return kWallpaperSources.back();
}

}  // namespace pixoria
