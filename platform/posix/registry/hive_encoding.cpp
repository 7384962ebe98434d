#include "registry/hive_encoding.h"

#include <algorithm>
#include <cstdint>

#include "text/utf8.h"

namespace pixoria::platform::hive {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16leMark = "\xFF\xFE";
constexpr char32_t kReplacement = 0xFFFD;

void appendUtf16le(std::string& out, char32_t c) {
  auto unit = [&out](std::uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  if (c >= 0x10000) {
    c -= 0x10000;
    unit(0xD800 | (c >> 10));
    unit(0xDC00 | (c & 0x3FF));
  } else {
    unit(c);
  }
}

// Decodes one UTF-8 sequence at `pos`, advancing it; malformed input yields U+FFFD and skips
// one byte.
char32_t nextCodePoint(std::string_view text, std::size_t& pos) {
  char32_t c = 0;
  const std::size_t length = text::decodeUtf8(text, pos, c);
  pos += length == 0 ? 1 : length;
  return length == 0 ? kReplacement : c;
}

// Regedit exports end lines in CRLF; once the file is re-encoded anyway, the line ends follow
// the rest of the Linux file.
std::string crlfToLf(std::string text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      continue;
    }
    out += text[i];
  }
  return out;
}

}  // namespace

HiveText decodeHiveBytes(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Mark)) {
    return {std::string(kUtf8Mark), std::string(bytes.substr(kUtf8Mark.size()))};
  }
  if (bytes.starts_with(kUtf16leMark)) {
    return {{}, crlfToLf(utf16leToUtf8(bytes.substr(kUtf16leMark.size())))};
  }
  return {{}, std::string(bytes)};
}

std::size_t countLineFeeds(std::string_view bytes) {
  if (!bytes.starts_with(kUtf16leMark)) {
    return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
  }
  std::size_t count = 0;
  for (std::size_t i = kUtf16leMark.size(); i + 1 < bytes.size(); i += 2) {
    count += bytes[i] == '\n' && bytes[i + 1] == '\0';
  }
  return count;
}

std::string utf16leToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const std::size_t units = bytes.size() / 2;
  auto unitAt = [&bytes](std::size_t i) -> char32_t {
    return static_cast<unsigned char>(bytes[2 * i]) |
           (static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  };
  for (std::size_t i = 0; i < units; ++i) {
    char32_t c = unitAt(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
      const char32_t low = unitAt(i + 1);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c < 0xE000) {
      c = kReplacement;
    }
    text::appendUtf8(out, c);
  }
  return out;
}

std::string utf8ToUtf16le(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (std::size_t pos = 0; pos < text.size();) {
    appendUtf16le(out, nextCodePoint(text, pos));
  }
  return out;
}

std::string foldCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return out;
}

bool equalsFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') {
      x = static_cast<char>(x - 'A' + 'a');
    }
    if (y >= 'A' && y <= 'Z') {
      y = static_cast<char>(y - 'A' + 'a');
    }
    if (x != y) {
      return false;
    }
  }
  return true;
}

}  // namespace pixoria::platform::hive
