#include "desktop_session.h"

#include <algorithm>
#include <cstdlib>

namespace pixoria::platform {
namespace {

struct DesktopAlias {
  std::string_view entry;    // as XDG_CURRENT_DESKTOP names it
  std::string_view backend;  // our name
};

// Unity and GNOME's derivatives keep their background in GNOME's schema.
constexpr DesktopAlias kAliases[] = {
    {"gnome", "gnome"},         {"unity", "gnome"},       {"kde", "kde"},   {"xfce", "xfce"},
    {"x-cinnamon", "cinnamon"}, {"cinnamon", "cinnamon"}, {"mate", "mate"}, {"sway", "sway"},
};

bool equalIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) {
      return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return lower(x) == lower(y);
  });
}

std::string_view backendForDesktopList(std::string_view list) {
  while (!list.empty()) {
    const std::size_t colon = std::min(list.find(':'), list.size());
    const std::string_view entry = list.substr(0, colon);
    for (const DesktopAlias& alias : kAliases) {
      if (equalIgnoringCase(entry, alias.entry)) {
        return alias.backend;
      }
    }
    list.remove_prefix(std::min(colon + 1, list.size()));
  }
  return {};
}

std::string_view variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string_view(value) : std::string_view();
}

}  // namespace

std::string_view chooseDesktopName(const SessionVariables& session) {
  if (!session.forced.empty()) {
    return session.forced;
  }
  const std::string_view listed = backendForDesktopList(session.currentDesktop);
  if (!listed.empty()) {
    return listed;
  }
  if (!session.swaySocket.empty()) {
    return "sway";
  }
  if (!session.display.empty() && session.waylandDisplay.empty()) {
    return "x11";
  }
  return "headless";
}

std::string_view chooseDesktopNameFromEnvironment() {
  return chooseDesktopName({variable("PIXORIA_DESKTOP"), variable("XDG_CURRENT_DESKTOP"),
                            variable("SWAYSOCK"), variable("DISPLAY"),
                            variable("WAYLAND_DISPLAY")});
}

}  // namespace pixoria::platform
