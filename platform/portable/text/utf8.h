// Encoding one code point as UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace pixoria {

// Appends `codePoint` as UTF-8; a surrogate or a value past U+10FFFF appends U+FFFD instead.
void appendUtf8(std::string& text, std::uint32_t codePoint);

}  // namespace pixoria
