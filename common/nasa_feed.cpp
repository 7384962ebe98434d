#include "pixoria/common/nasa_feed.h"

#include "feed_text.h"

namespace pixoria {
namespace {

constexpr std::string_view kDescriptionOpen = "<description>";
constexpr std::string_view kDescriptionClose = "</description>";
constexpr std::string_view kEnclosure = "<enclosure url=\"";

std::string slice(std::string_view text, std::int32_t from, std::int32_t to) {
  return std::string(
      text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)));
}

// One pass from `position`; false when the scan ends. On success `position` moves to the quote
// that closes the address.
bool readNextEntry(std::string_view feed, std::int32_t& position, NasaEntry& entry) {
  const std::int32_t open = findMarker(feed, kDescriptionOpen, position);
  if (open == kNotFound) {
    return false;
  }
  const std::int32_t start = open + static_cast<std::int32_t>(kDescriptionOpen.size());
  // Searched from one past the start: an empty description is closed by the next closing marker.
  const std::int32_t end = findMarker(feed, kDescriptionClose, start + 1);
  if (end == kNotFound) {
    return false;
  }
  const std::int32_t enclosure = findMarker(feed, kEnclosure, end);
  if (enclosure == kNotFound) {
    return false;
  }
  const std::int32_t addressStart = enclosure + static_cast<std::int32_t>(kEnclosure.size());
  const std::int32_t quote = findMarker(feed, "\"", addressStart + 1);
  if (quote == kNotFound) {
    return false;
  }
  entry.description = slice(feed, start, end);
  entry.address = slice(feed, addressStart, quote);
  position = quote;
  return true;
}

}  // namespace

std::vector<NasaEntry> readNasaEntries(std::string_view feed, std::size_t limit) {
  std::vector<NasaEntry> entries;
  std::int32_t position = 0;
  NasaEntry entry;
  while (entries.size() < limit && readNextEntry(feed, position, entry)) {
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace pixoria
