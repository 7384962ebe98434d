// Reading the text of a registry export into lines. The parser is total: it classifies what it
// understands and keeps everything else as an opaque line, so a rewrite can reproduce it.
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "registry/hive_document.h"
#include "registry/hive_encoding.h"

namespace pixoria::platform::hive {
namespace {

constexpr std::string_view kCurrentUserRoot = "HKEY_CURRENT_USER";
constexpr std::string_view kSpaces = " \t";

std::string_view trimLeft(std::string_view text) {
  const auto start = text.find_first_not_of(kSpaces);
  return start == std::string_view::npos ? std::string_view{} : text.substr(start);
}

std::string_view trimRight(std::string_view text) {
  const auto end = text.find_last_not_of(" \t\r\n");
  return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

bool startsWithFolded(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsFolded(text.substr(0, prefix.size()), prefix);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// A quoted string at the start of `text`: `\x` stands for x (regedit escapes `\` and `"`).
// On success `rest` is what follows the closing quote.
std::optional<std::string> readQuoted(std::string_view text, std::string_view& rest) {
  if (text.empty() || text.front() != '"') {
    return std::nullopt;
  }
  std::string out;
  for (std::size_t i = 1; i < text.size();) {
    const std::size_t special = text.find_first_of("\\\"", i);
    if (special == std::string_view::npos) {
      break;
    }
    out.append(text, i, special - i);
    if (text[special] == '"') {
      rest = text.substr(special + 1);
      return out;
    }
    if (special + 1 < text.size()) {
      out += text[special + 1];
    }
    i = special + 2;
  }
  return std::nullopt;
}

// More than eight digits is no DWORD, however many leading zeros it has.
std::optional<std::uint32_t> parseDwordDigits(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (char c : digits) {
    const int digit = hexDigit(c);
    if (digit < 0) {
      return std::nullopt;
    }
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return value;
}

// "01,02,\ <newline> 03": comma-separated bytes; backslashes and line breaks only wrap.
std::optional<std::string> parseHexBytes(std::string_view data) {
  std::string bytes;
  int digits = 0;
  unsigned current = 0;
  for (char c : data) {
    const int digit = hexDigit(c);
    if (digit >= 0) {
      if (++digits > 2) {
        return std::nullopt;
      }
      current = (current << 4) | static_cast<unsigned>(digit);
    } else if (c == ',') {
      if (digits == 0) {
        return std::nullopt;
      }
      bytes += static_cast<char>(current);
      digits = 0;
      current = 0;
    } else if (c != '\\' && c != ' ' && c != '\t' && c != '\r' && c != '\n') {
      return std::nullopt;
    }
  }
  if (digits > 0) {
    bytes += static_cast<char>(current);
  }
  return bytes;
}

std::optional<HiveValue> decodeHexValue(std::string_view type, std::string_view data) {
  const bool isString = equalsFolded(type, "hex(1)");
  const bool isDword = equalsFolded(type, "hex(4)");
  if (!isString && !isDword) {
    return HiveValue{};  // kept, never decoded
  }
  const auto bytes = parseHexBytes(data);
  if (!bytes) {
    return std::nullopt;
  }
  if (isDword) {
    if (bytes->size() != 4) {
      return std::nullopt;
    }
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
      value = (value << 8) | static_cast<unsigned char>((*bytes)[i]);
    }
    return HiveValue{ValueType::kDword, value, {}};
  }
  std::string text = utf16leToUtf8(*bytes);
  if (!text.empty() && text.back() == '\0') {
    text.pop_back();  // the stored terminator
  }
  return HiveValue{ValueType::kString, 0, std::move(text)};
}

// `type:data` with a type made of letters, digits and parentheses (dword, hex, hex(2), ...).
std::optional<HiveValue> decodeTypedValue(std::string_view data) {
  const auto colon = data.find(':');
  if (colon == std::string_view::npos || colon == 0) {
    return std::nullopt;
  }
  const std::string_view type = data.substr(0, colon);
  for (char c : type) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '(' && c != ')') {
      return std::nullopt;
    }
  }
  const std::string_view rest = data.substr(colon + 1);
  if (equalsFolded(type, "dword")) {
    const auto value = parseDwordDigits(trimRight(rest));
    if (!value) {
      return std::nullopt;
    }
    return HiveValue{ValueType::kDword, *value, {}};
  }
  if (startsWithFolded(type, "hex")) {
    return decodeHexValue(type, rest);
  }
  return HiveValue{};
}

std::optional<HiveValue> decodeData(std::string_view data) {
  if (!data.empty() && data.front() == '"') {
    std::string_view rest;
    auto text = readQuoted(data, rest);
    if (!text || !trimRight(rest).empty()) {
      return std::nullopt;
    }
    return HiveValue{ValueType::kString, 0, std::move(*text)};
  }
  return decodeTypedValue(data);
}

struct ValueParts {
  std::string name;
  std::string_view data;
};

// `"name"=data` or `@=data`, spaces allowed around the `=`.
std::optional<ValueParts> splitValueLine(std::string_view content) {
  std::string_view text = trimLeft(content);
  ValueParts parts;
  std::string_view rest;
  if (!text.empty() && text.front() == '@') {
    rest = text.substr(1);
  } else {
    auto name = readQuoted(text, rest);
    if (!name) {
      return std::nullopt;
    }
    parts.name = std::move(*name);
  }
  rest = trimLeft(rest);
  if (rest.empty() || rest.front() != '=') {
    return std::nullopt;
  }
  parts.data = trimLeft(rest.substr(1));
  return parts;
}

void classifySection(HiveLine& line, std::string_view text) {
  text = text.substr(1);
  line.kind = LineKind::kSection;
  if (!text.empty() && text.front() == '-') {
    line.kind = LineKind::kSectionDeletion;
    text = text.substr(1);
  }
  if (text.empty() || text.back() != ']') {
    return;
  }
  text.remove_suffix(1);
  if (!startsWithFolded(text, kCurrentUserRoot)) {
    return;
  }
  const std::string_view path = text.substr(kCurrentUserRoot.size());
  if (!path.empty() && path.front() != '\\') {
    return;
  }
  line.key = normalizeKeyPath(path);
}

void classifyValue(HiveLine& line, std::string_view content) {
  auto parts = splitValueLine(content);
  if (!parts) {
    return;
  }
  if (trimRight(parts->data) == "-") {
    line.kind = LineKind::kValueDeletion;
    line.name = std::move(parts->name);
    return;
  }
  auto value = decodeData(parts->data);
  if (!value) {
    return;  // damaged data reads as absent
  }
  line.kind = LineKind::kValue;
  line.name = std::move(parts->name);
  line.value = std::move(*value);
}

void classify(HiveLine& line, std::string_view content) {
  const std::string_view text = trimRight(trimLeft(content));
  if (!text.empty() && text.front() == '[') {
    classifySection(line, text);
  } else {
    classifyValue(line, content);
  }
}

// Hex data wrapped by regedit ends its lines with a backslash.
bool wrapsOntoNextLine(std::string_view content) {
  if (!trimRight(content).ends_with('\\')) {
    return false;
  }
  const auto parts = splitValueLine(content);
  return parts && startsWithFolded(parts->data, "hex");
}

class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool done() const { return pos_ >= text_.size(); }

  // The next physical line, terminator included.
  std::string_view next() {
    const auto end = text_.find('\n', pos_);
    const std::size_t stop = end == std::string_view::npos ? text_.size() : end + 1;
    const std::string_view line = text_.substr(pos_, stop - pos_);
    pos_ = stop;
    return line;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

HiveDocument parseHiveText(std::string_view text) {
  HiveDocument document;
  LineReader reader(text);
  while (!reader.done()) {
    HiveLine line;
    const std::string_view first = reader.next();
    line.raw = first;
    if (wrapsOntoNextLine(first)) {
      std::string_view last = first;
      while (!reader.done() && trimRight(last).ends_with('\\')) {
        last = reader.next();
        line.raw += last;
      }
    }
    classify(line, line.raw);
    document.lines.push_back(std::move(line));
  }
  return document;
}

bool continuesOnNextLine(const HiveLine& line) {
  const std::string_view raw = line.raw;
  const std::string_view first = raw.substr(0, raw.find('\n'));
  std::string_view body = raw;
  if (body.ends_with('\n')) {
    body.remove_suffix(1);
  }
  const auto lastStart = body.rfind('\n');
  const std::string_view last =
      lastStart == std::string_view::npos ? raw : raw.substr(lastStart + 1);
  return wrapsOntoNextLine(first) && trimRight(last).ends_with('\\');
}

HiveDocument parseHiveBytes(std::string_view bytes) {
  HiveText text = decodeHiveBytes(bytes);
  HiveDocument document = parseHiveText(text.body);
  document.byteOrderMark = std::move(text.byteOrderMark);
  return document;
}

std::string serializeHive(const HiveDocument& document) {
  std::size_t size = document.byteOrderMark.size();
  for (const HiveLine& line : document.lines) {
    size += line.raw.size();
  }
  std::string out;
  out.reserve(size);
  out += document.byteOrderMark;
  for (const HiveLine& line : document.lines) {
    out += line.raw;
  }
  return out;
}

std::string normalizeKeyPath(std::string_view path) {
  const auto start = path.find_first_not_of('\\');
  if (start == std::string_view::npos) {
    return {};
  }
  const auto end = path.find_last_not_of('\\');
  return foldCase(path.substr(start, end - start + 1));
}

bool deletionCovers(std::string_view deleted, std::string_view key) {
  if (deleted.empty() || !key.starts_with(deleted)) {
    return false;
  }
  return key.size() == deleted.size() || key[deleted.size()] == '\\';
}

}  // namespace pixoria::platform::hive
