// Feed text: the bytes of a feed, searched for ASCII markers. No character encoding is decoded
// and no XML or JSON parser is used: fields are cut out between fixed markers. Positions are
// signed, with kNotFound standing for a marker that is absent.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pixoria {

inline constexpr std::int32_t kNotFound = -1;

// The first occurrence of `marker` at or after `from`, or kNotFound (also for a negative `from`
// or one past the end).
std::int32_t findMarker(std::string_view text, std::string_view marker, std::int32_t from);

// The text strictly between the first `opening` marker and the first `closing` marker after it;
// empty when either is missing.
std::string cutBetween(std::string_view text, std::string_view opening, std::string_view closing);

}  // namespace pixoria
