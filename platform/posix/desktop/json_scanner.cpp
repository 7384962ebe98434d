#include "json_scanner.h"

namespace pixoria::platform {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

void appendUtf8(std::uint32_t codePoint, std::string& text) {
  if (codePoint < 0x80) {
    text += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    text += static_cast<char>(0xC0 | (codePoint >> 6));
    text += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    text += static_cast<char>(0xE0 | (codePoint >> 12));
    text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (codePoint >> 18));
    text += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

}  // namespace

void JsonScanner::skipSpace() {
  while (at_ < text_.size() &&
         (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
    ++at_;
  }
}

char JsonScanner::peek() {
  skipSpace();
  return at_ < text_.size() ? text_[at_] : '\0';
}

bool JsonScanner::consume(char expected) {
  if (peek() != expected || expected == '\0') {
    return false;
  }
  ++at_;
  return true;
}

bool JsonScanner::enter() {
  return ++depth_ <= kMaxDepth;
}

bool JsonScanner::readLiteral(std::string_view word) {
  skipSpace();
  if (text_.substr(at_, word.size()) != word) {
    return false;
  }
  at_ += word.size();
  return true;
}

bool JsonScanner::readBoolean(bool& value) {
  if (readLiteral("true")) {
    value = true;
    return true;
  }
  if (readLiteral("false")) {
    value = false;
    return true;
  }
  return false;
}

bool JsonScanner::readHexQuad(std::uint32_t& value) {
  if (text_.size() - at_ < 4) {
    return false;
  }
  value = 0;
  for (int i = 0; i < 4; ++i) {
    const char c = text_[at_++];
    const std::uint32_t digit = isDigit(c)               ? static_cast<std::uint32_t>(c - '0')
                                : (c >= 'a' && c <= 'f') ? static_cast<std::uint32_t>(c - 'a' + 10)
                                : (c >= 'A' && c <= 'F') ? static_cast<std::uint32_t>(c - 'A' + 10)
                                                         : 16;
    if (digit == 16) {
      return false;
    }
    value = value * 16 + digit;
  }
  return true;
}

bool JsonScanner::readString(std::string& value) {
  if (!consume('"')) {
    return false;
  }
  std::string text;
  while (at_ < text_.size()) {
    const char c = text_[at_++];
    if (c == '"') {
      value = std::move(text);
      return true;
    }
    if (static_cast<unsigned char>(c) < 0x20) {
      return false;
    }
    if (c != '\\') {
      text += c;
      continue;
    }
    if (at_ == text_.size()) {
      return false;
    }
    const char escape = text_[at_++];
    switch (escape) {
      case '"':
      case '\\':
      case '/':
        text += escape;
        break;
      case 'b':
        text += '\b';
        break;
      case 'f':
        text += '\f';
        break;
      case 'n':
        text += '\n';
        break;
      case 'r':
        text += '\r';
        break;
      case 't':
        text += '\t';
        break;
      case 'u': {
        std::uint32_t unit = 0;
        if (!readHexQuad(unit) || (unit >= 0xDC00 && unit <= 0xDFFF)) {
          return false;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
          std::uint32_t low = 0;
          if (text_.substr(at_, 2) != "\\u") {
            return false;
          }
          at_ += 2;
          if (!readHexQuad(low) || low < 0xDC00 || low > 0xDFFF) {
            return false;
          }
          unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(unit, text);
        break;
      }
      default:
        return false;
    }
  }
  return false;
}

bool JsonScanner::readNumber(bool& integral) {
  skipSpace();
  const auto digitsFrom = [&] {
    const std::size_t start = at_;
    while (at_ < text_.size() && isDigit(text_[at_])) {
      ++at_;
    }
    return at_ - start;
  };
  if (at_ < text_.size() && text_[at_] == '-') {
    ++at_;
  }
  const std::size_t intStart = at_;
  const std::size_t intDigits = digitsFrom();
  if (intDigits == 0 || (intDigits > 1 && text_[intStart] == '0')) {
    return false;
  }
  integral = true;
  if (at_ < text_.size() && text_[at_] == '.') {
    ++at_;
    integral = false;
    if (digitsFrom() == 0) {
      return false;
    }
  }
  if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
    ++at_;
    integral = false;
    if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) {
      ++at_;
    }
    if (digitsFrom() == 0) {
      return false;
    }
  }
  return true;
}

bool JsonScanner::readInteger(std::int64_t& value) {
  skipSpace();
  const std::size_t start = at_;
  bool integral = false;
  if (!readNumber(integral) || !integral) {
    return false;
  }
  const std::string_view token = text_.substr(start, at_ - start);
  const bool negative = token.front() == '-';
  const std::string_view digits = token.substr(negative ? 1 : 0);
  if (digits.size() > 18) {
    return false;
  }
  std::int64_t magnitude = 0;
  for (const char c : digits) {
    magnitude = magnitude * 10 + (c - '0');
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

bool JsonScanner::skipValue() {
  switch (peek()) {
    case '{':
      return readObject([this](const std::string&) { return skipValue(); });
    case '[':
      return readArray([this] { return skipValue(); });
    case '"': {
      std::string ignored;
      return readString(ignored);
    }
    case 't':
    case 'f': {
      bool ignored = false;
      return readBoolean(ignored);
    }
    case 'n':
      return readLiteral("null");
    default: {
      bool integral = false;
      return readNumber(integral);
    }
  }
}

}  // namespace pixoria::platform
