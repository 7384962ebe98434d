// Which desktop backend a session gets: one row per backend name.
#include <string>

#include "desktop_backend.h"
#include "desktop_session.h"
#include "gsettings_desktop.h"
#include "headless_desktop.h"
#include "kde_desktop.h"
#include "sway_desktop.h"
#include "x11_desktop.h"
#include "xfce_desktop.h"

namespace pixoria::platform {
namespace {

using BackendFactory = HResult (*)(std::unique_ptr<DesktopBackend>&);

struct BackendEntry {
  std::string_view name;
  BackendFactory create;
};

constexpr BackendEntry kBackends[] = {
    {"x11", createX11Desktop},     {"headless", createHeadlessDesktop},
    {"gnome", createGnomeDesktop}, {"cinnamon", createCinnamonDesktop},
    {"mate", createMateDesktop},   {"kde", createKdeDesktop},
    {"xfce", createXfceDesktop},   {"sway", createSwayDesktop},
};

}  // namespace

HResult createDesktopBackend(std::unique_ptr<DesktopBackend>& backend) {
  return callWithoutExceptions([&] {
    const std::string_view name = chooseDesktopNameFromEnvironment();
    for (const BackendEntry& entry : kBackends) {
      if (entry.name == name) {
        return entry.create(backend);
      }
    }
    writeDesktopDiagnostic("PIXORIA_DESKTOP=\"" + std::string(name) +
                           "\": no such desktop backend (x11, gnome, kde, xfce, cinnamon, mate, "
                           "sway, headless)");
    return kClassNotRegistered;
  });
}

}  // namespace pixoria::platform
