// A tray that keeps the icons and menus in memory, with the shell's rules: an icon is shown once,
// destroying a menu destroys its submenus.
#include "pixoria/fake/fake_tray.h"

#include <algorithm>
#include <memory>

namespace pixoria::platform {

struct Menu {
  struct Item {
    std::string label;
    std::uint32_t commandId = 0;
    MenuHandle submenu = nullptr;
  };
  std::vector<Item> items;
};

}  // namespace pixoria::platform

namespace pixoria::fake {
namespace {

namespace pf = platform;

struct FakeTray {
  std::vector<std::unique_ptr<pf::Menu>> menus;
  std::vector<pf::NotifyIconData> icons;
  std::vector<std::string> modifiedTips;
  int addCalls = 0;
  int tracked = 0;
  bool failAdd = false;
};

FakeTray& tray() {
  static FakeTray instance;
  return instance;
}

bool isLive(pf::MenuHandle menu) {
  return std::any_of(tray().menus.begin(), tray().menus.end(),
                     [menu](const auto& live) { return live.get() == menu; });
}

bool sameIcon(const pf::NotifyIconData& a, const pf::NotifyIconData& b) {
  return a.window == b.window && a.id == b.id;
}

}  // namespace

std::vector<MenuEntry> menuEntries(pf::MenuHandle menu) {
  std::vector<MenuEntry> entries;
  if (!isLive(menu)) {
    return entries;
  }
  for (const pf::Menu::Item& item : menu->items) {
    entries.push_back(
        {item.label, item.commandId,
         item.submenu != nullptr ? menuEntries(item.submenu) : std::vector<MenuEntry>{}});
  }
  return entries;
}

const std::vector<pf::NotifyIconData>& shownIcons() {
  return tray().icons;
}
const std::vector<std::string>& modifiedTips() {
  return tray().modifiedTips;
}
int notifyIconAddCalls() {
  return tray().addCalls;
}
int trackedMenus() {
  return tray().tracked;
}
int liveMenus() {
  return static_cast<int>(tray().menus.size());
}
void failNotifyIconAdd(bool fail) {
  tray().failAdd = fail;
}
void trayReset() {
  tray() = FakeTray{};
}

}  // namespace pixoria::fake

namespace pixoria::platform {

using fake::tray;

bool notifyIconAdd(const NotifyIconData& data) {
  ++tray().addCalls;
  const bool shown = std::any_of(tray().icons.begin(), tray().icons.end(),
                                 [&data](const auto& icon) { return fake::sameIcon(icon, data); });
  if (tray().failAdd || data.window == nullptr || shown) {
    return false;
  }
  tray().icons.push_back(data);
  return true;
}

bool notifyIconDelete(const NotifyIconData& data) {
  return std::erase_if(tray().icons,
                       [&data](const auto& icon) { return fake::sameIcon(icon, data); }) > 0;
}

bool notifyIconModify(const NotifyIconData& data) {
  const auto icon =
      std::find_if(tray().icons.begin(), tray().icons.end(),
                   [&data](const auto& shown) { return fake::sameIcon(shown, data); });
  if (icon == tray().icons.end()) {
    return false;
  }
  if ((data.flags & kNifTip) != 0) {
    icon->tip = data.tip;
    tray().modifiedTips.push_back(data.tip);
  }
  return true;
}

MenuHandle createPopupMenu() {
  tray().menus.push_back(std::make_unique<Menu>());
  return tray().menus.back().get();
}

bool destroyMenu(MenuHandle menu) {
  if (!fake::isLive(menu)) {
    return false;
  }
  for (const Menu::Item& item : menu->items) {
    if (item.submenu != nullptr) {
      destroyMenu(item.submenu);
    }
  }
  std::erase_if(tray().menus, [menu](const auto& live) { return live.get() == menu; });
  return true;
}

bool appendMenuItem(MenuHandle menu, std::uint32_t commandId, std::string_view label) {
  if (!fake::isLive(menu)) {
    return false;
  }
  menu->items.push_back({std::string(label), commandId, nullptr});
  return true;
}

bool appendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view label) {
  if (!fake::isLive(menu) || !fake::isLive(submenu)) {
    return false;
  }
  menu->items.push_back({std::string(label), 0, submenu});
  return true;
}

bool trackPopupMenu(MenuHandle menu, WindowHandle window) {
  if (!fake::isLive(menu) || window == nullptr) {
    return false;
  }
  ++tray().tracked;
  return true;
}

}  // namespace pixoria::platform
