#include "e2e/app_window_stand_in.h"

#include <cstdint>

#include "pixoria/platform/messages.h"

namespace pixoria::test {

namespace pf = platform;

namespace {

// The identity the agent looks the application's window up by, and its "Configuration" command.
constexpr const char* kAppWindowClass = "Qt690QWindowIcon";
constexpr const char* kAppWindowTitle = "Corvane Pixoria";
constexpr pf::WParam kConfigurationCommand = 208;

// One window procedure for the one stand-in a process can hold (the name is unique per user).
int restoreCount = 0;

pf::LResult countRestores(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam,
                          pf::LParam lParam) {
  if (message == pf::kWmSysCommand && (wParam & 0xFFF0) == pf::kScRestore) {
    ++restoreCount;
    return 0;
  }
  return pf::defWindowProc(window, message, wParam, lParam);
}

}  // namespace

AppWindowStandIn::AppWindowStandIn() {
  restoreCount = 0;
  if (pf::registerWindowClass(kAppWindowClass, countRestores)) {
    window_ = pf::createWindow(kAppWindowClass, kAppWindowTitle);
  }
}

AppWindowStandIn::~AppWindowStandIn() {
  if (window_ != nullptr) {
    pf::destroyWindow(window_);
  }
}

int AppWindowStandIn::restores() const {
  return restoreCount;
}

bool AppWindowStandIn::roundTrip(pf::WindowHandle agent,
                                 const std::function<bool(const std::function<bool()>&)>& pump) {
  const int before = restoreCount;
  if (window_ == nullptr || !pf::postMessage(agent, pf::kWmCommand, kConfigurationCommand, 0)) {
    return false;
  }
  return pump([before] { return restoreCount > before; });
}

}  // namespace pixoria::test
