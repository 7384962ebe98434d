// JSON string values in feed text, read without a JSON parser.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pixoria {

// The position of the quote that closes a JSON string whose contents start at `start` (skipping
// escaped characters), or kNotFound.
std::int32_t findClosingQuote(std::string_view text, std::int32_t start);

// Decodes the escapes of a JSON string's contents: \" \\ \/ \b \f \n \r \t and \uXXXX (surrogate
// pairs joined; a lone surrogate becomes U+FFFD). A malformed escape is kept as it stands.
std::string decodeJsonEscapes(std::string_view contents);

}  // namespace pixoria
