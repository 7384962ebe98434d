#include "agent/sources/json_string.h"

#include <charconv>

#include "agent/sources/feed_text.h"
#include "text/utf8.h"

namespace pixoria {

std::int32_t findClosingQuote(std::string_view text, std::int32_t start) {
  if (start < 0) {
    return kNotFound;
  }
  for (std::size_t position = static_cast<std::size_t>(start); position < text.size(); ++position) {
    if (text[position] == '\\') {
      ++position;  // the escaped character cannot close the string
    } else if (text[position] == '"') {
      return static_cast<std::int32_t>(position);
    }
  }
  return kNotFound;
}

namespace {

bool hexUnit(std::string_view text, std::size_t at, std::uint32_t& unit) {
  if (at + 4 > text.size()) {
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

// Decodes the \u escape whose 'u' is at `at`; returns the characters consumed after the
// backslash, or 0 when it is malformed.
std::size_t appendUnicodeEscape(std::string& out, std::string_view text, std::size_t at) {
  std::uint32_t unit = 0;
  if (!hexUnit(text, at + 1, unit)) {
    return 0;
  }
  std::uint32_t low = 0;
  if (isHighSurrogate(unit) && text.substr(at + 5, 2) == "\\u" && hexUnit(text, at + 7, low) &&
      isLowSurrogate(low)) {
    appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    return 11;
  }
  appendUtf8(out, unit);  // a lone surrogate comes out as U+FFFD
  return 5;
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

std::string decodeJsonEscapes(std::string_view contents) {
  std::string out;
  out.reserve(contents.size());
  std::size_t position = 0;
  while (position < contents.size()) {
    const char c = contents[position];
    if (c != '\\' || position + 1 >= contents.size()) {
      out.push_back(c);
      ++position;
      continue;
    }
    const char escaped = contents[position + 1];
    if (const char simple = simpleEscape(escaped); simple != '\0') {
      out.push_back(simple);
      position += 2;
    } else if (const std::size_t used =
                   escaped == 'u' ? appendUnicodeEscape(out, contents, position + 1) : 0;
               used != 0) {
      position += 1 + used;
    } else {
      out.push_back(c);
      ++position;
    }
  }
  return out;
}

}  // namespace pixoria
