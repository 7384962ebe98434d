// Which desktop backend a session gets. New desktops slot into the table and, when they can be
// recognised from the session, into chooseBackendName.
#include <cstdlib>
#include <string>

#include "desktop_backend.h"
#include "headless_desktop.h"
#include "x11_desktop.h"

namespace pixoria::platform {
namespace {

using BackendFactory = HResult (*)(std::unique_ptr<DesktopBackend>&);

struct BackendEntry {
  std::string_view name;
  BackendFactory create;  // null: a desktop we know but do not drive yet
};

constexpr BackendEntry kBackends[] = {
    {"x11", createX11Desktop}, {"headless", createHeadlessDesktop},
    {"gnome", nullptr},        {"kde", nullptr},
    {"xfce", nullptr},         {"sway", nullptr},
};

bool isSet(const char* value) {
  return value != nullptr && value[0] != '\0';
}

std::string_view chooseBackendName() {
  const char* forced = std::getenv("PIXORIA_DESKTOP");
  if (isSet(forced)) {
    return forced;
  }
  return isSet(std::getenv("DISPLAY")) ? "x11" : "headless";
}

}  // namespace

HResult createDesktopBackend(std::unique_ptr<DesktopBackend>& backend) {
  return callWithoutExceptions([&] {
    const std::string_view name = chooseBackendName();
    for (const BackendEntry& entry : kBackends) {
      if (entry.name == name && entry.create != nullptr) {
        return entry.create(backend);
      }
    }
    writeDesktopDiagnostic("PIXORIA_DESKTOP=\"" + std::string(name) +
                           "\": no such desktop backend here (x11, headless)");
    return kClassNotRegistered;
  });
}

}  // namespace pixoria::platform
