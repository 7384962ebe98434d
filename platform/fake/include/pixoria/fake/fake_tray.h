// Control of the fake tray: the icons shown, and the menus as the program built them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pixoria/platform/tray.h"

namespace pixoria::fake {

// A menu entry: a command item, or a submenu with entries of its own.
struct MenuEntry {
  std::string label;
  std::uint32_t commandId = 0;  // 0 for a submenu
  std::vector<MenuEntry> children;
  bool operator==(const MenuEntry&) const = default;
};

// The entries of a menu made by createPopupMenu.
std::vector<MenuEntry> menuEntries(platform::MenuHandle menu);

// The icons shown now (added and not deleted, with the tip of their last modify), and how many
// adds were made in all.
const std::vector<platform::NotifyIconData>& shownIcons();

// The tip of every notifyIconModify with kNifTip that found its icon, in order.
const std::vector<std::string>& modifiedTips();
int notifyIconAddCalls();
int trackedMenus();
int liveMenus();

// Makes every add fail, as with no tray on the desktop.
void failNotifyIconAdd(bool fail);

void trayReset();

}  // namespace pixoria::fake
