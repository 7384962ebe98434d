// Byte-level text handling of the hive file: byte-order marks, UTF-16LE imports, ASCII case
// folding for key and value names.
#pragma once

#include <string>
#include <string_view>

namespace pixoria::platform::hive {

// The hive's text as the parser sees it: UTF-8 (or whatever bytes the file holds), with the
// UTF-8 byte-order mark split off so that a rewrite can put it back unchanged.
struct HiveText {
  std::string byteOrderMark;
  std::string body;
};

// Splits off a UTF-8 byte-order mark, or converts a UTF-16LE file (with its mark, as Windows'
// registry editor exports) to UTF-8 with LF line ends. Other bytes pass through untouched.
HiveText decodeHiveBytes(std::string_view bytes);

// The number of line feeds in the file's bytes (LF code units in a UTF-16LE file with its mark),
// which is the number of lines the parser makes less one: counted without decoding anything.
std::size_t countLineFeeds(std::string_view bytes);

// UTF-16LE code units (as bytes) to UTF-8. An unpaired surrogate becomes U+FFFD; an odd
// trailing byte is dropped.
std::string utf16leToUtf8(std::string_view bytes);

// UTF-8 to UTF-16LE bytes. Invalid sequences become U+FFFD.
std::string utf8ToUtf16le(std::string_view text);

// ASCII case folding: Windows compares key and value names without regard to case.
std::string foldCase(std::string_view text);
bool equalsFolded(std::string_view a, std::string_view b);

}  // namespace pixoria::platform::hive
