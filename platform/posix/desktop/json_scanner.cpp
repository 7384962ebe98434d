#include "json_scanner.h"

#include "text/json_escape.h"

namespace pixoria::platform {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
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
    // Strict, as JSON is: a malformed escape or a lone surrogate fails the read.
    bool loneSurrogate = false;
    const std::size_t used = text::decodeJsonEscape(text_.substr(at_), text, loneSurrogate);
    if (used == 0 || loneSurrogate) {
      return false;
    }
    at_ += used;
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
