// The escapes of JSON strings: \" \\ \/ \b \f \n \r \t and \uXXXX, with surrogate pairs joined.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pixoria::text {

// Decodes the escape whose backslash comes just before `escape`, appending what it stands for to
// `out`. Returns the characters it took after the backslash, or 0 (appending nothing) when it is
// malformed. A \u escape of a surrogate outside a pair appends U+FFFD and sets `loneSurrogate`:
// a strict reader refuses it, a lenient one keeps the replacement.
std::size_t decodeJsonEscape(std::string_view escape, std::string& out, bool& loneSurrogate);

// Decodes the escapes of a JSON string's contents, leniently: a malformed escape is kept as it
// stands, and a lone surrogate becomes U+FFFD.
std::string decodeJsonEscapes(std::string_view contents);

}  // namespace pixoria::text
