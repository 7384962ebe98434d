// Reading NASA's image-of-the-day RSS: pairs of a description and the enclosure that follows it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pixoria {

struct NasaEntry {
  std::string description;  // as it stands in the feed (CDATA and markup included)
  std::string address;      // the image's address, feed bytes as they are
};

// The NASA list holds a week of images.
inline constexpr std::size_t kNasaListLimit = 7;

// Scans for at most `limit` entries: each is the first enclosure after the end of a description,
// and each next description is searched after that enclosure. The channel's own description
// takes part like any other.
std::vector<NasaEntry> readNasaEntries(std::string_view feed, std::size_t limit = kNasaListLimit);

}  // namespace pixoria
