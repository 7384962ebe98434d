// JSON string values in feed text, read without a JSON parser.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/json_escape.h"

namespace pixoria {

// The position of the quote that closes a JSON string whose contents start at `start` (skipping
// escaped characters), or kNotFound.
std::int32_t findClosingQuote(std::string_view text, std::int32_t start);

// The escapes of the contents are decoded by text::decodeJsonEscapes.
using text::decodeJsonEscapes;

}  // namespace pixoria
