#include "pixoria/common/xml_entities.h"

#include <array>
#include <charconv>
#include <cstdint>

#include "text/utf8.h"

namespace pixoria {
namespace {

struct NamedEntity {
  std::string_view name;
  char character;
};

constexpr std::array<NamedEntity, 5> kNamedEntities = {{
    {"amp", '&'},
    {"lt", '<'},
    {"gt", '>'},
    {"quot", '"'},
    {"apos", '\''},
}};

// Longest reference body worth looking at ("#x10FFFF").
constexpr std::size_t kMaxReferenceLength = 10;

// The code point of a numeric reference body ("#233", "#xE9"), or nothing.
bool numericReference(std::string_view body, std::uint32_t& codePoint) {
  if (body.size() < 2 || body[0] != '#') {
    return false;
  }
  const bool hex = body[1] == 'x' || body[1] == 'X';
  const std::string_view digits = body.substr(hex ? 2 : 1);
  if (digits.empty()) {
    return false;
  }
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), codePoint, hex ? 16 : 10);
  return error == std::errc() && end == digits.data() + digits.size();
}

// Appends the decoded reference `body` (between '&' and ';'); false when it is no reference.
bool appendReference(std::string& out, std::string_view body) {
  for (const NamedEntity& entity : kNamedEntities) {
    if (body == entity.name) {
      out.push_back(entity.character);
      return true;
    }
  }
  std::uint32_t codePoint = 0;
  if (!numericReference(body, codePoint) || codePoint == 0) {
    return false;
  }
  text::appendUtf8(out, codePoint);
  return true;
}

}  // namespace

std::string decodeXmlEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t position = 0;
  while (position < text.size()) {
    const char c = text[position];
    if (c == '&') {
      const std::size_t semicolon = text.find(';', position + 1);
      if (semicolon != std::string_view::npos && semicolon - position - 1 <= kMaxReferenceLength &&
          appendReference(out, text.substr(position + 1, semicolon - position - 1))) {
        position = semicolon + 1;
        continue;
      }
    }
    out.push_back(c);
    ++position;
  }
  return out;
}

}  // namespace pixoria
