#include "registry/hive_writer.h"

#include <cstdio>
#include <string>
#include <vector>

#include "registry/hive_encoding.h"

namespace pixoria::platform::hive {
namespace {

// Files are written in UTF-8 with LF: the hive lives on Linux, where every editor, grep and diff
// read that as plain text, while UTF-16 and CR would show as noise. Readers still take CRLF and
// UTF-16 so that an export made on Windows imports unchanged.
constexpr std::string_view kNewline = "\n";
constexpr std::string_view kFileHeader = "Windows Registry Editor Version 5.00\n";

std::string quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"')
      out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

// A string with a line break or NUL cannot be quoted on one line; regedit's hex(1) form (the
// UTF-16LE bytes with their terminator) carries it and still reads as REG_SZ.
std::string hexStringData(std::string_view text) {
  const std::string bytes = utf8ToUtf16le(text) + std::string(2, '\0');
  std::string out = "hex(1):";
  char byte[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(bytes[i]));
    if (i > 0)
      out += ',';
    out += byte;
  }
  return out;
}

std::string formatData(const HiveValue& value) {
  if (value.type == ValueType::kDword) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "dword:%08x", static_cast<unsigned>(value.dword));
    return digits;
  }
  if (isWritableName(value.text))
    return quote(value.text);
  return hexStringData(value.text);
}

std::string sectionHeader(std::string_view keyPath) {
  const auto start = keyPath.find_first_not_of('\\');
  if (start == std::string_view::npos)
    return "[HKEY_CURRENT_USER]\n";
  const auto end = keyPath.find_last_not_of('\\');
  return "[HKEY_CURRENT_USER\\" + std::string(keyPath.substr(start, end - start + 1)) + "]\n";
}

bool isBoundary(const HiveLine& line) {
  return line.kind == LineKind::kSection || line.kind == LineKind::kSectionDeletion;
}

bool isBlank(const HiveLine& line) {
  return line.raw.find_first_not_of(" \t\r\n") == std::string::npos;
}

bool isTerminated(const HiveLine& line) {
  return line.raw.ends_with('\n');
}

HiveLine makeLine(std::string raw) {
  HiveDocument parsed = parseHiveText(raw);
  return std::move(parsed.lines.front());
}

// Where a key lives now: its sections after the last deletion of it (or of an ancestor), and
// the lines in them that assign `name`. Earlier lines no longer count for a reader.
struct Placement {
  std::vector<std::size_t> sections;
  std::vector<std::size_t> assignments;
};

Placement locate(const HiveDocument& document, const std::string& key, std::string_view name) {
  Placement placement;
  bool inKey = false;
  for (std::size_t i = 0; i < document.lines.size(); ++i) {
    const HiveLine& line = document.lines[i];
    if (line.kind == LineKind::kSection) {
      inKey = line.key && *line.key == key;
      if (inKey)
        placement.sections.push_back(i);
    } else if (line.kind == LineKind::kSectionDeletion) {
      inKey = false;
      if (line.key && deletionCovers(*line.key, key))
        placement = {};
    } else if (inKey && (line.kind == LineKind::kValue || line.kind == LineKind::kValueDeletion) &&
               equalsFolded(line.name, name)) {
      placement.assignments.push_back(i);
    }
  }
  return placement;
}

// Makes sure a line can be followed by another: the unterminated last line of a file gets its
// line end, and wrapped hex data that would swallow the next line gets an empty line to end it.
void endLine(HiveLine& line) {
  if (!isTerminated(line))
    line.raw += kNewline;
  if (continuesOnNextLine(line))
    line.raw += kNewline;
}

void insertAfter(HiveDocument& document, std::size_t after, std::string raw) {
  endLine(document.lines[after]);
  document.lines.insert(document.lines.begin() + static_cast<std::ptrdiff_t>(after) + 1,
                        makeLine(std::move(raw)));
}

void appendSection(HiveDocument& document, std::string_view keyPath) {
  if (document.lines.empty()) {
    document.lines.push_back(makeLine(std::string(kFileHeader)));
  } else {
    endLine(document.lines.back());
  }
  if (!isBlank(document.lines.back()))
    document.lines.push_back(makeLine(std::string(kNewline)));
  document.lines.push_back(makeLine(sectionHeader(keyPath)));
}

// The end of the section that starts at `header`, before the blank lines that separate it from
// the next one.
std::size_t lastLineOfSection(const HiveDocument& document, std::size_t header) {
  std::size_t last = header;
  for (std::size_t i = header + 1; i < document.lines.size() && !isBoundary(document.lines[i]);
       ++i) {
    if (!isBlank(document.lines[i]))
      last = i;
  }
  return last;
}

// The replaced line keeps the line end it had, so the rest of the file stays as it was:
// `formatted` ends in a newline, which gives way to the old line's own end.
void replaceLine(HiveLine& line, std::string formatted) {
  formatted.pop_back();
  if (line.raw.ends_with("\r\n")) {
    formatted += "\r\n";
  } else if (isTerminated(line)) {
    formatted += '\n';
  }
  line = makeLine(std::move(formatted));
}

}  // namespace

bool isWritableName(std::string_view name) {
  return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string formatValueLine(std::string_view name, const HiveValue& value) {
  std::string line = name.empty() ? "@" : quote(name);
  line += '=';
  line += formatData(value);
  line += kNewline;
  return line;
}

void setValue(HiveDocument& document, std::string_view keyPath, std::string_view name,
              const HiveValue& value) {
  std::string formatted = formatValueLine(name, value);
  const Placement placement = locate(document, normalizeKeyPath(keyPath), name);
  if (!placement.assignments.empty()) {
    replaceLine(document.lines[placement.assignments.back()], std::move(formatted));
    return;
  }
  if (placement.sections.empty()) {
    appendSection(document, keyPath);
    document.lines.push_back(makeLine(std::move(formatted)));
    return;
  }
  insertAfter(document, lastLineOfSection(document, placement.sections.back()),
              std::move(formatted));
}

bool deleteValue(HiveDocument& document, std::string_view keyPath, std::string_view name) {
  const Placement placement = locate(document, normalizeKeyPath(keyPath), name);
  if (placement.assignments.empty() ||
      document.lines[placement.assignments.back()].kind != LineKind::kValue) {
    return false;
  }
  // Every live assignment goes, or an earlier one would show through.
  for (auto it = placement.assignments.rbegin(); it != placement.assignments.rend(); ++it) {
    document.lines.erase(document.lines.begin() + static_cast<std::ptrdiff_t>(*it));
  }
  return true;
}

void createKey(HiveDocument& document, std::string_view keyPath) {
  if (!HiveSnapshot(document).hasKey(normalizeKeyPath(keyPath))) {
    appendSection(document, keyPath);
  }
}

}  // namespace pixoria::platform::hive
