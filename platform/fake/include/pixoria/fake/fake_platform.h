// The whole fake platform, and one call that resets it between tests.
#pragma once

#include "pixoria/fake/fake_desktop.h"
#include "pixoria/fake/fake_leftovers.h"
#include "pixoria/fake/fake_output.h"
#include "pixoria/fake/fake_registry.h"
#include "pixoria/fake/fake_shell.h"
#include "pixoria/fake/fake_system_events.h"
#include "pixoria/fake/fake_tray.h"
#include "pixoria/fake/fake_url.h"
#include "pixoria/fake/fake_windows.h"

namespace pixoria::fake {

inline void resetPlatform() {
  registryClear();
  windowsReset();
  desktopReset();
  leftoversReset();
  clearOutput();
  shellReset();
  trayReset();
  urlReset();
  systemEventsReset();
}

}  // namespace pixoria::fake
