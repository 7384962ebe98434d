// The user's own list of image files as a wallpaper source: no download, the pair is set at once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "agent/change_result.h"

namespace pixoria {

// Sets the custom pair at `index` (and the entry after it, wrapping) without recording anything.
// An index outside the list means its first entry; an empty list sets nothing. The files are the
// user's own and need no download: the change always counts as made.
ChangeResult applyCustomPair(std::int32_t index);

// The number of entries in the custom list as the last load read it.
std::size_t customListSize();

}  // namespace pixoria
