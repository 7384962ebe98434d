#include "user_dirs.h"

namespace pixoria::platform::posix {
namespace {

std::string_view skipBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  return text;
}

// The text of a double-quoted value at the start of `text`, unescaped; false when unterminated.
bool unquote(std::string_view text, std::string& value) {
  if (text.empty() || text.front() != '"') {
    return false;
  }
  value.clear();
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      return true;
    }
    if (text[i] == '\\' && i + 1 < text.size()) {
      ++i;
    }
    value += text[i];
  }
  return false;
}

bool resolveValue(const std::string& value, const std::string& home, std::string& folder) {
  constexpr std::string_view kHome = "$HOME";
  if (value.compare(0, kHome.size(), kHome) == 0) {
    const std::string rest = value.substr(kHome.size());
    if (!rest.empty() && rest.front() != '/') {
      return false;  // $HOMEWORK is another variable
    }
    folder = home + rest;
  } else if (!value.empty() && value.front() == '/') {
    folder = value;
  } else {
    return false;
  }
  while (folder.size() > 1 && folder.back() == '/') {
    folder.pop_back();
  }
  return true;
}

}  // namespace

bool findUserDir(std::string_view fileText, std::string_view name, const std::string& home,
                 std::string& folder) {
  const std::string key = "XDG_" + std::string(name) + "_DIR";
  bool found = false;
  while (!fileText.empty()) {
    const std::size_t end = fileText.find('\n');
    std::string_view line = skipBlanks(fileText.substr(0, end));
    fileText.remove_prefix(end == std::string_view::npos ? fileText.size() : end + 1);
    if (line.substr(0, key.size()) != key) {
      continue;
    }
    line = skipBlanks(line.substr(key.size()));
    if (line.empty() || line.front() != '=') {
      continue;
    }
    std::string value;
    std::string resolved;
    if (unquote(skipBlanks(line.substr(1)), value) && resolveValue(value, home, resolved)) {
      folder = resolved;
      found = true;
    }
  }
  return found;
}

}  // namespace pixoria::platform::posix
