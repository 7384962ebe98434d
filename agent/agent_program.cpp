#include "agent/agent_program.h"

#include "agent/agent_settings.h"
#include "agent/agent_window.h"
#include "agent/change_retry.h"
#include "agent/change_schedule.h"
#include "agent/show_main_program.h"
#include "agent/wallpaper_setter.h"
#include "pixoria/common/source_addresses.h"
#include "pixoria/common/wallpaper_files.h"
#include "pixoria/platform/debug_output.h"
#include "pixoria/platform/folders.h"
#include "pixoria/platform/imaging.h"
#include "pixoria/platform/leftovers.h"
#include "pixoria/platform/messages.h"
#include "pixoria/platform/system_events.h"

namespace pixoria {

namespace pf = platform;

namespace {

// Process-wide records, created at start and living until exit.
std::uintptr_t gdiplusToken = 0;
pf::NotifyIconData trayIcon;
pf::MenuHandle mainMenu = nullptr;
pf::MenuHandle bingMenu = nullptr;

pf::MenuHandle createSourceMenu(std::uint32_t next, std::uint32_t previous) {
  const pf::MenuHandle menu = pf::createPopupMenu();
  pf::appendMenuItem(menu, next, "Next Image");
  pf::appendMenuItem(menu, previous, "Previous Image");
  return menu;
}

void createMenus() {
  bingMenu = createSourceMenu(IDM_BING_NEXT, IDM_BING_PREV);
  const pf::MenuHandle nasaMenu = createSourceMenu(IDM_NASA_NEXT, IDM_NASA_PREV);
  const pf::MenuHandle wikipediaMenu = createSourceMenu(IDM_WIKI_NEXT, IDM_WIKI_PREV);
  mainMenu = pf::createPopupMenu();
  pf::appendSubmenu(mainMenu, bingMenu, "Bing Daily Wallpapers");
  pf::appendSubmenu(mainMenu, nasaMenu, "NASA Daily Wallpapers");
  pf::appendSubmenu(mainMenu, wikipediaMenu, "Wikipedia Daily Wallpapers");
  pf::appendMenuItem(mainMenu, IDM_CONFIGURATION, "Configuration");
  pf::appendMenuItem(mainMenu, IDM_CLOSE, "Close");
}

void fillTrayIcon() {
  trayIcon.window = agentWindow;
  trayIcon.id = TRAY_ICON_ID;
  trayIcon.flags = pf::kNifMessage | pf::kNifIcon | pf::kNifTip;
  trayIcon.callbackMessage = AGENT_MSG_TRAY;
  trayIcon.iconResource = kTrayIconResource;
  trayIcon.tip = trayTip();
}

void showContextMenu(pf::WindowHandle window) {
  pf::trackPopupMenu(mainMenu, window);
  pf::postMessage(window, pf::kWmNull, 0, 0);
}

void onCommand(std::uint32_t command) {
  switch (command) {
    case IDM_CONFIGURATION:
      ShowMainProgram();
      break;
    case IDM_CLOSE:
      pf::postQuitMessage(0);
      break;
    case IDM_BING_NEXT:
      onBingNext();
      break;
    case IDM_BING_PREV:
      onBingPrevious();
      break;
    case IDM_NASA_NEXT:
      onNasaNext();
      break;
    case IDM_NASA_PREV:
      onNasaPrevious();
      break;
    case IDM_WIKI_NEXT:
      onWikipediaNext();
      break;
    case IDM_WIKI_PREV:
      onWikipediaPrevious();
      break;
    default:
      break;  // not a command of this program
  }
}

void onTrayEvent(pf::WindowHandle window, pf::LParam event) {
  if (event == pf::kWmLButtonDblClk) {
    ShowMainProgram();
  } else if (event == pf::kWmRButtonDown) {
    showContextMenu(window);
  }
}

// Temporary files a crash of either program left behind. The wallpaper folder is swept only when
// the shell names it: the current directory it falls back to may be anyone's.
void removeCrashLeftovers() {
  std::string appData;
  std::string wallpaperFolder;
  if (pf::getAppDataFolder(appData)) {
    getWallpaperFolder(wallpaperFolder);
  }
  pf::removeCrashLeftovers(wallpaperFolder, kAutostartEntryName);
}

// Resume and the network's return, so the schedule can catch up and a failed change need not
// wait for its retry. Without them the agent still works: the timers get there.
void watchSystemEvents() {
  if (!pf::watchResume(agentWindow)) {
    pf::outputDebugString("Cannot watch for resume from sleep\n");
  }
  if (!pf::watchNetworkChanges(agentWindow, AGENT_MSG_NETWORK_CHANGED)) {
    pf::outputDebugString("Cannot watch the network\n");
  }
}

void onPowerBroadcast(pf::WParam event) {
  if (event == pf::kPbtApmResumeAutomatic) {
    catchUpWithSchedule();
  }
}

void shutDown() {
  pf::stopWatchingSystemEvents(agentWindow);
  pf::gdiplusShutdown(gdiplusToken);
  pf::killTimer(agentWindow, TIMER_CHANGE);
  pf::killTimer(agentWindow, TIMER_RETRY);
  pf::killTimer(agentWindow, TIMER_APPLY);
  pf::destroyMenu(mainMenu);
  pf::destroyMenu(bingMenu);
  pf::notifyIconDelete(trayIcon);
}

}  // namespace

pf::LResult agentWindowProc(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam,
                            pf::LParam lParam) {
  switch (message) {
    case pf::kWmClose:
      pf::postQuitMessage(0);
      return 0;
    case pf::kWmCommand:
      onCommand(pf::loWord(wParam));
      return 0;
    case AGENT_MSG_TRAY:
      onTrayEvent(window, lParam);
      return 0;
    case AGENT_MSG_RELOAD:
    case AGENT_MSG_RELOAD_ALT:
      loadSettingsAndApply();
      return 0;
    case AGENT_MSG_ENABLE:
      enableChanger();
      return 0;
    case AGENT_MSG_DISABLE:
      disableChanger();
      return 0;
    case AGENT_MSG_ADD_ICON:
      trayIcon.tip = trayTip();  // what the last change left to say
      pf::notifyIconAdd(trayIcon);
      return 0;
    case AGENT_MSG_NETWORK_CHANGED:
      onNetworkChanged();
      return 0;
    case pf::kWmPowerBroadcast:
      onPowerBroadcast(wParam);
      return 1;  // TRUE, as Windows asks of this message
    default:
      return pf::defWindowProc(window, message, wParam, lParam);
  }
}

void agentInitialize() {
  if (pf::gdiplusStartup(gdiplusToken) != pf::GpStatus::ok) {
    pf::outputDebugString("Failed to initialize GDI+\n");
    return;
  }
  fillTrayIcon();
  createMenus();
  trayIcon.contextMenu = mainMenu;
  readRegistryString(kValuePath, agentSettings.installPath);
  bingBaseRequestTable = bingBaseRequests(bingArchiveOrigin());
}

int runAgent() {
  pf::registerWindowClass(kAgentWindowClass, agentWindowProc);
  if (pf::findWindow(kAgentWindowClass, kAgentWindowTitle) != nullptr) {
    return 0;  // another agent runs: leave it alone
  }
  agentWindow = pf::createWindow(kAgentWindowClass, kAgentWindowTitle);
  if (agentWindow == nullptr) {
    return 0;
  }
  agentInitialize();
  removeCrashLeftovers();
  watchSystemEvents();
  pf::notifyIconAdd(trayIcon);
  loadSettingsAndCatchUp();
  const int exitCode = pf::runMessageLoop();
  shutDown();
  return exitCode;
}

}  // namespace pixoria
