#include "text_literals.h"

namespace pixoria::platform {
namespace {

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

bool isControl(unsigned char c) {
  return c < 0x20 || c == 0x7f;
}

// The length of the UTF-8 sequence starting at `at`, or 0 when it is malformed.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    return 1;
  }
  std::size_t length = 0;
  char32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > text.size()) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      return 0;
    }
    value = (value << 6) | (byte(at + i) & 0x3F);
  }
  const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
  const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  return overlong || surrogate || value > 0x10FFFF ? 0 : length;
}

}  // namespace

std::string fileUri(std::string_view absolutePath) {
  if (absolutePath.empty() || absolutePath.front() != '/') {
    return {};
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char c : absolutePath) {
    const auto byte = static_cast<unsigned char>(c);
    if (isUnreserved(byte) || byte == '/') {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0x0F];
    }
  }
  return uri;
}

bool isValidUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = utf8SequenceLength(text, at);
    if (length == 0) {
      return false;
    }
    at += length;
  }
  return true;
}

bool gvariantStringLiteral(std::string_view text, std::string& literal) {
  if (!isValidUtf8(text)) {
    return false;
  }
  std::string quoted = "'";
  for (const char c : text) {
    if (isControl(static_cast<unsigned char>(c))) {
      return false;
    }
    if (c == '\\' || c == '\'') {
      quoted += '\\';
    }
    quoted += c;
  }
  literal = quoted + "'";
  return true;
}

bool javascriptStringLiteral(std::string_view text, std::string& literal) {
  // U+2028 and U+2029 end a line in older script engines, even inside a string.
  if (!isValidUtf8(text) || text.find("\xE2\x80\xA8") != std::string_view::npos ||
      text.find("\xE2\x80\xA9") != std::string_view::npos) {
    return false;
  }
  std::string quoted = "\"";
  for (const char c : text) {
    if (isControl(static_cast<unsigned char>(c))) {
      return false;
    }
    if (c == '\\' || c == '"') {
      quoted += '\\';
    }
    quoted += c;
  }
  literal = quoted + "\"";
  return true;
}

}  // namespace pixoria::platform
