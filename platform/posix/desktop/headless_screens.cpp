#include "headless_screens.h"

#include <charconv>
#include <cstdlib>
#include <string>

namespace pixoria::platform {
namespace {

std::string_view trimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') {
    text.remove_prefix(1);
  }
  while (!text.empty() && text.back() == ' ') {
    text.remove_suffix(1);
  }
  return text;
}

bool parseSide(std::string_view digits, int& side) {
  if (digits.empty() || digits.size() > 5) {
    return false;
  }
  const char* end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, side);
  return error == std::errc() && stop == end && side >= 1 && side <= kMaxScreenSide;
}

bool parseScreen(std::string_view item, MonitorSize& size) {
  const std::size_t cross = item.find('x');
  if (cross == std::string_view::npos) {
    return false;
  }
  // from_chars takes a leading '-' and this format never has a sign.
  if (item.find_first_not_of("0123456789x") != std::string_view::npos) {
    return false;
  }
  return parseSide(item.substr(0, cross), size.width) &&
         parseSide(item.substr(cross + 1), size.height);
}

}  // namespace

bool parseScreenList(std::string_view text, std::vector<MonitorSize>& screens) {
  std::vector<MonitorSize> parsed;
  while (true) {
    const std::size_t comma = text.find(',');
    MonitorSize size;
    if (!parseScreen(trimSpaces(text.substr(0, comma)), size) || parsed.size() == kMaxScreens) {
      return false;
    }
    parsed.push_back(size);
    if (comma == std::string_view::npos) {
      break;
    }
    text.remove_prefix(comma + 1);
  }
  screens = std::move(parsed);
  return true;
}

std::vector<MonitorSize> headlessScreensFromEnvironment() {
  std::vector<MonitorSize> screens{{1920, 1080}};
  const char* value = std::getenv("PIXORIA_SCREENS");
  if (value != nullptr && !parseScreenList(value, screens)) {
    writeDesktopDiagnostic(std::string("PIXORIA_SCREENS=\"") + value +
                           "\" is not a list like 1920x1080,1280x1024; using one 1920x1080 "
                           "monitor");
  }
  return screens;
}

}  // namespace pixoria::platform
