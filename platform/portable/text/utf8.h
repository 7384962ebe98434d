// UTF-8, one code point at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pixoria::text {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Appends `codePoint` as UTF-8; a surrogate or a value past U+10FFFF appends U+FFFD instead.
void appendUtf8(std::string& text, std::uint32_t codePoint);

// Decodes the sequence starting at `at` into `codePoint` and returns its length in bytes, or 0
// when it is malformed: a stray continuation byte, a truncated sequence, an overlong form, a
// surrogate or a value past U+10FFFF.
std::size_t decodeUtf8(std::string_view text, std::size_t at, char32_t& codePoint);

}  // namespace pixoria::text
