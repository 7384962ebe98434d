#include "text/json_escape.h"

#include <charconv>
#include <cstdint>

#include "text/utf8.h"

namespace pixoria::text {
namespace {

constexpr std::size_t kUnicodeEscapeLength = 5;   // uXXXX
constexpr std::size_t kSurrogatePairLength = 11;  // uXXXX\uXXXX

bool hexUnit(std::string_view text, std::size_t at, std::uint32_t& unit) {
  if (at > text.size() || text.size() - at < 4) {
    return false;
  }
  const char* first = text.data() + at;
  const auto [end, error] = std::from_chars(first, first + 4, unit, 16);
  return error == std::errc() && end == first + 4;
}

bool isHighSurrogate(std::uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(std::uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// `escape` starts at the 'u'.
std::size_t decodeUnicodeEscape(std::string_view escape, std::string& out, bool& loneSurrogate) {
  std::uint32_t unit = 0;
  if (!hexUnit(escape, 1, unit)) {
    return 0;
  }
  std::uint32_t low = 0;
  if (isHighSurrogate(unit) && escape.substr(kUnicodeEscapeLength, 2) == "\\u" &&
      hexUnit(escape, kUnicodeEscapeLength + 2, low) && isLowSurrogate(low)) {
    appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    return kSurrogatePairLength;
  }
  loneSurrogate = isHighSurrogate(unit) || isLowSurrogate(unit);
  appendUtf8(out, unit);  // a lone surrogate comes out as U+FFFD
  return kUnicodeEscapeLength;
}

char simpleEscape(char c) {
  switch (c) {
    case '"':
    case '\\':
    case '/':
      return c;
    case 'b':
      return '\b';
    case 'f':
      return '\f';
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    default:
      return '\0';
  }
}

}  // namespace

std::size_t decodeJsonEscape(std::string_view escape, std::string& out, bool& loneSurrogate) {
  loneSurrogate = false;
  if (escape.empty()) {
    return 0;
  }
  if (const char simple = simpleEscape(escape.front()); simple != '\0') {
    out.push_back(simple);
    return 1;
  }
  return escape.front() == 'u' ? decodeUnicodeEscape(escape, out, loneSurrogate) : 0;
}

std::string decodeJsonEscapes(std::string_view contents) {
  std::string out;
  out.reserve(contents.size());
  std::size_t position = 0;
  while (position < contents.size()) {
    const char c = contents[position];
    bool loneSurrogate = false;
    const std::size_t used =
        c == '\\' ? decodeJsonEscape(contents.substr(position + 1), out, loneSurrogate) : 0;
    if (used == 0) {
      out.push_back(c);
    }
    position += 1 + used;
  }
  return out;
}

}  // namespace pixoria::text
