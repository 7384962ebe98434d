// The three online sources as the schedule drives them. Each takes the wanted position, treats
// one outside its range as 0, downloads and fits the image there (and, in dual-monitor mode, the
// one after it), records the position, and has the images set about a second later. Each reports
// whether the first image is in place, or why not, so the schedule can try the change again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "agent/change_result.h"

namespace pixoria {

ChangeResult downloadWallpaperFromBing(std::int32_t index);
ChangeResult downloadWallpaperFromNASA(std::int32_t index);
ChangeResult downloadWallpaperFromWikipedia(std::int32_t index);

// The number of entries in the NASA and Wikipedia lists as they stand now.
std::size_t nasaListSize();
std::size_t wikipediaListSize();

}  // namespace pixoria
