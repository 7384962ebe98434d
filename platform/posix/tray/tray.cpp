#include "pixoria/platform/tray.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "tray/menu_model.h"
#include "tray/tray_icon.h"

namespace pixoria::platform {
namespace {

using posix::TrayIcon;

std::vector<std::unique_ptr<TrayIcon>>& shownIcons() {
  static std::vector<std::unique_ptr<TrayIcon>> icons;
  return icons;
}

auto findIcon(WindowHandle window, std::uint32_t id) {
  return std::find_if(shownIcons().begin(), shownIcons().end(), [&](const auto& icon) {
    return icon->data().window == window && icon->data().id == id;
  });
}

bool forgetIcon(WindowHandle window, std::uint32_t id) {
  const auto icon = findIcon(window, id);
  if (icon == shownIcons().end()) {
    return false;
  }
  shownIcons().erase(icon);
  return true;
}

}  // namespace

bool notifyIconAdd(const NotifyIconData& data) {
  if (data.window == nullptr || findIcon(data.window, data.id) != shownIcons().end()) {
    return false;
  }
  try {
    // A broken connection takes the icon with it, so the program can add it again.
    auto onLost = [window = data.window, id = data.id] { forgetIcon(window, id); };
    std::unique_ptr<TrayIcon> icon = TrayIcon::show(data, onLost);
    if (!icon) {
      return false;
    }
    shownIcons().push_back(std::move(icon));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool notifyIconModify(const NotifyIconData& data) {
  const auto icon = findIcon(data.window, data.id);
  if (icon == shownIcons().end()) {
    return false;
  }
  try {
    (*icon)->modify(data);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool notifyIconDelete(const NotifyIconData& data) {
  return forgetIcon(data.window, data.id);
}

bool trackPopupMenu(MenuHandle menu, WindowHandle) {
  // Tray hosts on Linux show an icon's menu themselves, from the exported one, and a click there
  // arrives as kWmCommand like a choice in a tracked popup. So there is nothing to pop up here;
  // asking for that menu succeeds, as it would once the user closed the popup.
  if (!posix::isLiveMenu(menu)) {
    return false;
  }
  return std::any_of(shownIcons().begin(), shownIcons().end(),
                     [menu](const auto& icon) { return icon->data().contextMenu == menu; });
}

}  // namespace pixoria::platform
