#include "windows/socket_name.h"

#include <sys/un.h>

#include <cstdint>

namespace pixoria::platform::posix {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool isPlainNameByte(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') || byte == '_' || byte == '-';
}

void appendEncoded(std::string& out, std::string_view text) {
  for (unsigned char byte : text) {
    if (isPlainNameByte(byte)) {
      out += static_cast<char>(byte);
    } else {
      out += '%';
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0xF];
    }
  }
}

// FNV-1a, 64 bits, from a given offset basis; two bases give a 128-bit name.
std::uint64_t fnv1a(std::uint64_t hash, std::string_view text) {
  for (unsigned char byte : text) {
    hash ^= byte;
    hash *= 0x100000001B3ULL;
  }
  return hash;
}

void appendHex(std::string& out, std::uint64_t value) {
  for (int shift = 60; shift >= 0; shift -= 4) {
    out += kHexDigits[(value >> shift) & 0xF];
  }
}

constexpr std::size_t kMaxSocketPathLength = sizeof(sockaddr_un::sun_path) - 1;

}  // namespace

std::string windowSocketName(std::string_view className, std::string_view title) {
  std::string name;
  appendEncoded(name, className);
  name += '.';
  appendEncoded(name, title);
  return name;
}

std::string hashedWindowSocketName(std::string_view className, std::string_view title) {
  // The class is hashed with its length so that ("ab", "c") and ("a", "bc") differ.
  std::string key = std::to_string(className.size()) + ':';
  key.append(className);
  key.append(title);
  std::string name = "h-";
  appendHex(name, fnv1a(0xCBF29CE484222325ULL, key));
  appendHex(name, fnv1a(0x84222325CBF29CE4ULL, key));
  return name;
}

bool windowSocketPath(const std::string& folder, std::string_view className, std::string_view title,
                      std::string& path) {
  path = folder + '/' + windowSocketName(className, title);
  if (path.size() <= kMaxSocketPathLength) {
    return true;
  }
  path = folder + '/' + hashedWindowSocketName(className, title);
  return path.size() <= kMaxSocketPathLength;
}

}  // namespace pixoria::platform::posix
