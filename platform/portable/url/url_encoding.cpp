#include "url/url_encoding.h"

namespace pixoria::platform::posix {
namespace {

bool mayCarry(unsigned char byte) {
  if (byte <= 0x20 || byte >= 0x7F) {
    return false;
  }
  switch (byte) {
    case '"':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
      return false;
    default:
      return true;
  }
}

}  // namespace

std::string percentEncodeUnsafeBytes(std::string_view address) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(address.size());
  for (const char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (mayCarry(byte)) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHexDigits[byte >> 4];
      encoded += kHexDigits[byte & 0x0F];
    }
  }
  return encoded;
}

}  // namespace pixoria::platform::posix
