// The hive file as a document: every line kept as found, with what the parser understood of it,
// and the key/value view a reader gets by applying the lines in order, as an import would.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixoria::platform::hive {

enum class ValueType {
  kDword,   // dword:xxxxxxxx or hex(4):
  kString,  // "..." or hex(1):
  kOther,   // any other type (hex:, hex(2):, hex(7):, ...), kept verbatim and never decoded
};

struct HiveValue {
  ValueType type = ValueType::kOther;
  std::uint32_t dword = 0;
  std::string text;

  bool operator==(const HiveValue&) const = default;
};

enum class LineKind {
  kOther,            // header, blank, comment, or anything the parser does not understand
  kSection,          // [HKEY_...\Key]
  kSectionDeletion,  // [-HKEY_...\Key]
  kValue,            // "name"=data or @=data
  kValueDeletion,    // "name"=-
};

struct HiveLine {
  // The exact bytes of the line, terminator included; a value whose data continues over several
  // lines (a trailing backslash, as regedit wraps hex data) holds all of them.
  std::string raw;
  LineKind kind = LineKind::kOther;
  // Sections: the folded key path below HKEY_CURRENT_USER ("" for the root itself); empty
  // optional for a key of another root or a header that cannot be read.
  std::optional<std::string> key;
  // Values: the name as written (unescaped; "" for @) and what it holds.
  std::string name;
  HiveValue value;
};

struct HiveDocument {
  std::string byteOrderMark;
  std::vector<HiveLine> lines;
};

// Splits `text` (already decoded to UTF-8) into lines and classifies each. Never fails: a line
// that cannot be read is kept as kOther.
HiveDocument parseHiveText(std::string_view text);

// True when the parser would take the next line as part of this one (wrapped hex data whose
// last line still ends in a backslash).
bool continuesOnNextLine(const HiveLine& line);

// Decodes the file's bytes (marks, UTF-16LE) and parses them.
HiveDocument parseHiveBytes(std::string_view bytes);

// The bytes of the document: a document parsed from UTF-8 serializes to exactly its input.
std::string serializeHive(const HiveDocument& document);

// Normalizes a key path as given by a caller or a header: folded, without surrounding
// backslashes.
std::string normalizeKeyPath(std::string_view path);

// True when a deletion of `deleted` removes `key` (the key itself or one of its ancestors).
bool deletionCovers(std::string_view deleted, std::string_view key);

// What a reader sees: keys and their values after applying every line in order.
class HiveSnapshot {
 public:
  explicit HiveSnapshot(const HiveDocument& document);
  HiveSnapshot() = default;

  // A key exists when it has a section of its own or a subkey does.
  bool hasKey(std::string_view normalizedPath) const;
  const HiveValue* findValue(std::string_view normalizedPath, std::string_view name) const;

  bool operator==(const HiveSnapshot&) const = default;

 private:
  using Values = std::map<std::string, HiveValue>;  // by folded name
  std::map<std::string, Values> keys_;              // by normalized path
};

}  // namespace pixoria::platform::hive
