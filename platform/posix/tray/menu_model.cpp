#include "tray/menu_model.h"

#include <memory>
#include <new>
#include <unordered_set>

namespace pixoria::platform {
namespace {

std::unordered_set<const Menu*>& liveMenus() {
  static std::unordered_set<const Menu*> menus;
  return menus;
}

std::uint32_t& revision() {
  static std::uint32_t value = 1;
  return value;
}

void noteChange() {
  ++revision();
}

// True when `inner` is `outer` or reachable from it: appending would close a cycle.
bool reaches(const Menu* outer, const Menu* inner) {
  if (outer == inner) {
    return true;
  }
  for (const MenuEntry& entry : outer->entries) {
    if (entry.submenu != nullptr && posix::isLiveMenu(entry.submenu) &&
        reaches(entry.submenu, inner)) {
      return true;
    }
  }
  return false;
}

}  // namespace

namespace posix {

bool isLiveMenu(MenuHandle menu) {
  return menu != nullptr && liveMenus().count(menu) != 0;
}

std::uint32_t menuRevision() {
  return revision();
}

}  // namespace posix

MenuHandle createPopupMenu() {
  try {
    auto menu = std::make_unique<Menu>();
    liveMenus().insert(menu.get());
    noteChange();
    return menu.release();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

bool destroyMenu(MenuHandle menu) {
  if (!posix::isLiveMenu(menu)) {
    return false;
  }
  // Forgotten before its submenus are visited, so a submenu shared by two menus is freed once.
  liveMenus().erase(menu);
  for (const MenuEntry& entry : menu->entries) {
    if (entry.submenu != nullptr) {
      destroyMenu(entry.submenu);
    }
  }
  delete menu;
  noteChange();
  return true;
}

bool appendMenuItem(MenuHandle menu, std::uint32_t commandId, std::string_view label) {
  if (!posix::isLiveMenu(menu)) {
    return false;
  }
  try {
    menu->entries.push_back({std::string(label), commandId, nullptr});
  } catch (const std::bad_alloc&) {
    return false;
  }
  noteChange();
  return true;
}

bool appendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view label) {
  if (!posix::isLiveMenu(menu) || !posix::isLiveMenu(submenu) || reaches(submenu, menu)) {
    return false;
  }
  try {
    menu->entries.push_back({std::string(label), 0, submenu});
  } catch (const std::bad_alloc&) {
    return false;
  }
  noteChange();
  return true;
}

}  // namespace pixoria::platform
