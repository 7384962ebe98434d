#include "feed_text.h"

#include <limits>

namespace pixoria {

std::int32_t findMarker(std::string_view text, std::string_view marker, std::int32_t from) {
  // Feeds are capped far below 2 GiB, but a position must never be cut off silently.
  if (from < 0 ||
      text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    return kNotFound;
  }
  const std::size_t found = text.find(marker, static_cast<std::size_t>(from));
  return found == std::string_view::npos ? kNotFound : static_cast<std::int32_t>(found);
}

std::string cutBetween(std::string_view text, std::string_view opening, std::string_view closing) {
  const std::int32_t open = findMarker(text, opening, 0);
  if (open == kNotFound) {
    return {};
  }
  const std::int32_t start = open + static_cast<std::int32_t>(opening.size());
  const std::int32_t close = findMarker(text, closing, start);
  if (close == kNotFound) {
    return {};
  }
  return std::string(
      text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(close - start)));
}

}  // namespace pixoria
