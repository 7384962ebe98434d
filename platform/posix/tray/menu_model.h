// The popup menus behind createPopupMenu / appendMenuItem / appendSubmenu / destroyMenu.
//
// A menu is a list of entries in the order they were appended: an item with a command number, or a
// submenu. Handles are checked against the set of live menus, so a destroyed (or never created)
// handle is refused instead of followed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pixoria/platform/tray.h"

namespace pixoria::platform {

struct MenuEntry {
  std::string label;
  std::uint32_t commandId = 0;  // items only
  Menu* submenu = nullptr;      // submenus only
};

struct Menu {
  std::vector<MenuEntry> entries;
};

namespace posix {

// True while `menu` is a menu that was created and not yet destroyed.
bool isLiveMenu(MenuHandle menu);

// Counts every change to any menu, so an exported menu can tell its readers that it changed.
std::uint32_t menuRevision();

}  // namespace posix
}  // namespace pixoria::platform
