#include "text_literals.h"

#include "text/utf8.h"

namespace pixoria::platform {
namespace {

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

bool isControl(unsigned char c) {
  return c < 0x20 || c == 0x7f;
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
    char32_t ignored = 0;
    const std::size_t length = text::decodeUtf8(text, at, ignored);
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
