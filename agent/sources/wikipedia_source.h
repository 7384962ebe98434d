// Wikipedia's featured picture as a wallpaper source: the pictures of the seven days ending
// today, fetched at most once a day while all seven were found.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pixoria/platform/url.h"

namespace pixoria {

extern std::vector<std::string> wikipediaWallpaperURLs;

// Renews the list when the day changed or it holds fewer than seven addresses. Gives why the
// first day that could not be fetched failed (kind none when every day was read, or the list was
// kept).
platform::TransferError getWikipediaWallpaperList();

// Reads one day's document and appends its picture's address when it names one. False when the
// document cannot be fetched.
bool readWikipediaFeaturedDay(std::string_view url);

}  // namespace pixoria
