#include "registry/hive_writer.h"

#include <cstdio>
#include <iterator>
#include <optional>
#include <string>
#include <unordered_map>
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
    if (c == '\\' || c == '"') {
      out += '\\';
    }
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
    if (i > 0) {
      out += ',';
    }
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
  if (isWritableName(value.text)) {
    return quote(value.text);
  }
  return hexStringData(value.text);
}

std::string sectionHeader(std::string_view keyPath) {
  const auto start = keyPath.find_first_not_of('\\');
  if (start == std::string_view::npos) {
    return "[HKEY_CURRENT_USER]\n";
  }
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
      if (inKey) {
        placement.sections.push_back(i);
      }
    } else if (line.kind == LineKind::kSectionDeletion) {
      inKey = false;
      if (line.key && deletionCovers(*line.key, key)) {
        placement = {};
      }
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
  if (!isTerminated(line)) {
    line.raw += kNewline;
  }
  if (continuesOnNextLine(line)) {
    line.raw += kNewline;
  }
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
  if (!isBlank(document.lines.back())) {
    document.lines.push_back(makeLine(std::string(kNewline)));
  }
  document.lines.push_back(makeLine(sectionHeader(keyPath)));
}

// The end of the section that starts at `header`, before the blank lines that separate it from
// the next one.
std::size_t lastLineOfSection(const HiveDocument& document, std::size_t header) {
  std::size_t last = header;
  for (std::size_t i = header + 1; i < document.lines.size() && !isBoundary(document.lines[i]);
       ++i) {
    if (!isBlank(document.lines[i])) {
      last = i;
    }
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

// True when the line already holds `formatted` (which ends in LF) before its own line end: then
// replaceLine would give back the same bytes, and a long list rewrites only what changed.
bool readsAs(const HiveLine& line, std::string_view formatted) {
  std::string_view raw = line.raw;
  if (raw.ends_with("\r\n")) {
    raw.remove_suffix(2);
  } else if (raw.ends_with('\n')) {
    raw.remove_suffix(1);
  }
  return raw == formatted.substr(0, formatted.size() - 1);
}

// locate() for every name of the key at once: the live assignments by folded name.
struct KeyLayout {
  std::vector<std::size_t> sections;
  std::unordered_map<std::string, std::vector<std::size_t>> assignments;
};

KeyLayout layoutOf(const HiveDocument& document, const std::string& key) {
  KeyLayout layout;
  bool inKey = false;
  for (std::size_t i = 0; i < document.lines.size(); ++i) {
    const HiveLine& line = document.lines[i];
    if (line.kind == LineKind::kSection) {
      inKey = line.key && *line.key == key;
      if (inKey) {
        layout.sections.push_back(i);
      }
    } else if (line.kind == LineKind::kSectionDeletion) {
      inKey = false;
      if (line.key && deletionCovers(*line.key, key)) {
        layout = {};
      }
    } else if (inKey && (line.kind == LineKind::kValue || line.kind == LineKind::kValueDeletion)) {
      layout.assignments[foldCase(line.name)].push_back(i);
    }
  }
  return layout;
}

// Drops the lines marked for removal, keeping the order of the rest.
void removeLines(HiveDocument& document, const std::vector<bool>& removed) {
  std::vector<HiveLine> kept;
  kept.reserve(document.lines.size());
  for (std::size_t i = 0; i < document.lines.size(); ++i) {
    if (!removed[i]) {
      kept.push_back(std::move(document.lines[i]));
    }
  }
  document.lines = std::move(kept);
}

// Puts new value lines at the end of the key's last section (or of a new section at the end of
// the file); `removed` grows with the document so its marks keep pointing at their lines.
void appendValueLines(HiveDocument& document, std::string_view keyPath,
                      const std::vector<std::size_t>& sections, std::vector<std::string> formatted,
                      std::vector<bool>& removed) {
  if (formatted.empty()) {
    return;
  }
  std::vector<HiveLine> lines;
  lines.reserve(formatted.size());
  for (std::string& raw : formatted) {
    lines.push_back(makeLine(std::move(raw)));
  }
  if (sections.empty()) {
    appendSection(document, keyPath);
    document.lines.insert(document.lines.end(), std::make_move_iterator(lines.begin()),
                          std::make_move_iterator(lines.end()));
    removed.resize(document.lines.size(), false);
    return;
  }
  const std::size_t after = lastLineOfSection(document, sections.back());
  endLine(document.lines[after]);
  const auto at = static_cast<std::ptrdiff_t>(after + 1);
  document.lines.insert(document.lines.begin() + at, std::make_move_iterator(lines.begin()),
                        std::make_move_iterator(lines.end()));
  removed.insert(removed.begin() + at, lines.size(), false);
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

void applyChanges(HiveDocument& document, std::string_view keyPath,
                  const std::vector<ValueChange>& changes) {
  KeyLayout layout = layoutOf(document, normalizeKeyPath(keyPath));
  std::vector<bool> removed(document.lines.size(), false);
  // Values new to the key, in the order setValue would append them; a deleted one leaves a hole.
  std::vector<std::optional<std::string>> appended;
  std::unordered_map<std::string, std::size_t> appendedSlot;
  for (const ValueChange& change : changes) {
    const std::string name = foldCase(change.name);
    const auto found = layout.assignments.find(name);
    const bool assigned = found != layout.assignments.end() && !found->second.empty();
    const auto slot = appendedSlot.find(name);
    if (change.value) {
      std::string formatted = formatValueLine(change.name, *change.value);
      if (assigned) {
        HiveLine& line = document.lines[found->second.back()];
        if (!readsAs(line, formatted)) {
          replaceLine(line, std::move(formatted));
        }
      } else if (slot != appendedSlot.end()) {
        appended[slot->second] = std::move(formatted);
      } else {
        appendedSlot.emplace(name, appended.size());
        appended.emplace_back(std::move(formatted));
      }
    } else if (assigned && document.lines[found->second.back()].kind == LineKind::kValue) {
      // Every live assignment goes, or an earlier one would show through.
      for (std::size_t line : found->second) {
        removed[line] = true;
      }
      found->second.clear();
    } else if (!assigned && slot != appendedSlot.end()) {
      appended[slot->second].reset();
      appendedSlot.erase(slot);
    }
  }
  std::vector<std::string> lines;
  for (std::optional<std::string>& line : appended) {
    if (line) {
      lines.push_back(std::move(*line));
    }
  }
  appendValueLines(document, keyPath, layout.sections, std::move(lines), removed);
  removeLines(document, removed);
}

void createKey(HiveDocument& document, std::string_view keyPath) {
  if (!HiveSnapshot(document).hasKey(normalizeKeyPath(keyPath))) {
    appendSection(document, keyPath);
  }
}

}  // namespace pixoria::platform::hive
