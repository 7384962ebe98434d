// The notification-area icon and popup menus, after Shell_NotifyIconW and user32's menu calls.
//
// The icon reports mouse events to its window as the callback message, with the event
// (kWmLButtonDblClk, kWmRButtonDown, ...) as the second parameter. A chosen menu item arrives at
// the menu's owner window as kWmCommand with the item's command number in the low word.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pixoria/platform/windows.h"

namespace pixoria::platform {

// HMENU.
struct Menu;
using MenuHandle = Menu*;

// NOTIFYICONDATAW, the members the programs fill.
struct NotifyIconData {
  WindowHandle window = nullptr;
  std::uint32_t id = 0;
  std::uint32_t flags = 0;  // kNifMessage | kNifIcon | kNifTip
  std::uint32_t callbackMessage = 0;
  int iconResource = 0;  // the program's icon resource
  std::string tip;       // at most 127 characters (UTF-8 bytes); may hold a line break
  // The menu that trays which show menus themselves (Linux) display for the icon. Windows ignores
  // it: there the program tracks its menu on kWmRButtonDown.
  MenuHandle contextMenu = nullptr;
};

inline constexpr std::uint32_t kNifMessage = 0x1;  // NIF_MESSAGE
inline constexpr std::uint32_t kNifIcon = 0x2;     // NIF_ICON
inline constexpr std::uint32_t kNifTip = 0x4;      // NIF_TIP

// Shell_NotifyIconW(NIM_ADD / NIM_DELETE). Adding an icon that is shown already fails.
bool notifyIconAdd(const NotifyIconData& data);
bool notifyIconDelete(const NotifyIconData& data);

// Shell_NotifyIconW(NIM_MODIFY) with the flags of `data`: the shown icon (found by window and id)
// takes the tip of `data` when kNifTip is set. On Linux the StatusNotifierItem's ToolTip property
// changes and NewToolTip is emitted. False when no such icon is shown.
bool notifyIconModify(const NotifyIconData& data);

// CreatePopupMenu, DestroyMenu (with its submenus).
MenuHandle createPopupMenu();
bool destroyMenu(MenuHandle menu);

// InsertMenuW / AppendMenuW with MF_STRING: an item with a command number, appended at the end.
bool appendMenuItem(MenuHandle menu, std::uint32_t commandId, std::string_view label);

// AppendMenuW with MF_POPUP: a submenu, appended at the end.
bool appendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view label);

// GetCursorPos + SetForegroundWindow + TrackPopupMenu at the cursor, owned by `window`; the
// chosen command arrives later as kWmCommand. On Linux the tray shows an icon's contextMenu
// itself: tracking that menu succeeds without effect, any other menu fails.
bool trackPopupMenu(MenuHandle menu, WindowHandle window);

}  // namespace pixoria::platform
