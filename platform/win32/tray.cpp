// The notification icon and popup menus on shell32 and user32.
#include "pixoria/platform/tray.h"

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "shell_restart.h"
#include "tray_icon_size.h"
#include "wide_text.h"

namespace pixoria::platform {

// The full current record: the shell reads the members up to the size it is told.
static_assert(sizeof(NOTIFYICONDATAW) == 976, "NOTIFYICONDATAW must be the 976-byte record");

namespace {

using win32::toWide;

// An icon this process has shown, kept to show it again after the shell restarts, and its icon
// resource, to load it again at another DPI.
struct ShownIcon {
  NOTIFYICONDATAW data;
  int iconResource = 0;
};

std::vector<ShownIcon>& shownIcons() {
  static std::vector<ShownIcon> icons;
  return icons;
}

HWND toHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}

HMENU toHmenu(MenuHandle menu) {
  return reinterpret_cast<HMENU>(menu);
}

UINT taskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

// The program's icon resource at the small-icon size the notification area draws at the DPI of
// the icon's window.
HICON loadSmallIcon(int resource, HWND window) {
  if (resource == 0) {
    return nullptr;
  }
  const SIZE size = win32::smallIconSize(win32::dpiOfWindow(window));
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource),
                                       IMAGE_ICON, size.cx, size.cy, LR_DEFAULTCOLOR));
}

// The tip, cut to the record's 127 characters without leaving half of a surrogate pair.
void setTip(NOTIFYICONDATAW& record, std::string_view text) {
  const std::wstring tip = toWide(text);
  std::size_t length = std::min<std::size_t>(tip.size(), std::size(record.szTip) - 1);
  if (length < tip.size() && IS_HIGH_SURROGATE(tip[length - 1])) {
    --length;
  }
  std::wmemset(record.szTip, L'\0', std::size(record.szTip));
  std::wmemcpy(record.szTip, tip.data(), length);
}

NOTIFYICONDATAW toRecord(const NotifyIconData& data) {
  NOTIFYICONDATAW record{};
  record.cbSize = sizeof record;
  record.hWnd = toHwnd(data.window);
  record.uID = data.id;
  record.uFlags = data.flags;
  record.uCallbackMessage = data.callbackMessage;
  setTip(record, data.tip);
  return record;
}

auto findShown(HWND window, UINT id) {
  return std::find_if(shownIcons().begin(), shownIcons().end(), [&](const ShownIcon& icon) {
    return icon.data.hWnd == window && icon.data.uID == id;
  });
}

// Takes a new icon into a kept record, destroying the one it replaces.
void replaceIcon(NOTIFYICONDATAW& record, HICON icon) {
  if (record.hIcon != nullptr && record.hIcon != icon) {
    DestroyIcon(record.hIcon);
  }
  record.hIcon = icon;
}

// Loads the window's icons again at its present DPI, for the shell to show from now on.
void reloadIcons(HWND window) {
  for (ShownIcon& icon : shownIcons()) {
    if (icon.data.hWnd == window && icon.iconResource != 0) {
      if (HICON loaded = loadSmallIcon(icon.iconResource, window)) {
        replaceIcon(icon.data, loaded);
      }
    }
  }
}

void forget(HWND window, UINT id) {
  const auto found = findShown(window, id);
  if (found != shownIcons().end()) {
    if (found->data.hIcon != nullptr) {
      DestroyIcon(found->data.hIcon);
    }
    shownIcons().erase(found);
  }
}

}  // namespace

namespace win32 {

void onWindowMessageForTray(HWND window, UINT message) {
  if (message != taskbarCreatedMessage() && message != WM_DPICHANGED) {
    return;
  }
  // The shell also restarts its notification area when the scale changes: a new size either way.
  reloadIcons(window);
  for (ShownIcon& icon : shownIcons()) {
    if (icon.data.hWnd == window) {
      NOTIFYICONDATAW record = icon.data;
      if (message == WM_DPICHANGED) {
        record.uFlags = NIF_ICON;
      }
      Shell_NotifyIconW(message == WM_DPICHANGED ? NIM_MODIFY : NIM_ADD, &record);
    }
  }
}

void forgetTrayIcons(HWND window) {
  auto& icons = shownIcons();
  for (auto it = icons.begin(); it != icons.end();) {
    if (it->data.hWnd == window) {
      if (it->data.hIcon != nullptr) {
        DestroyIcon(it->data.hIcon);
      }
      it = icons.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace win32

bool notifyIconAdd(const NotifyIconData& data) {
  taskbarCreatedMessage();  // registered before the shell can broadcast it
  NOTIFYICONDATAW record = toRecord(data);
  record.hIcon =
      (data.flags & kNifIcon) != 0 ? loadSmallIcon(data.iconResource, record.hWnd) : nullptr;
  if (Shell_NotifyIconW(NIM_ADD, &record) == FALSE) {
    if (record.hIcon != nullptr) {
      DestroyIcon(record.hIcon);
    }
    return false;
  }
  forget(record.hWnd, record.uID);
  shownIcons().push_back({record, (data.flags & kNifIcon) != 0 ? data.iconResource : 0});
  return true;
}

// The shell takes the members that the flags name; the kept record takes them too, so that a
// restart of the shell shows the icon as it was last modified.
bool notifyIconModify(const NotifyIconData& data) {
  NOTIFYICONDATAW record = toRecord(data);
  const bool newIcon = (data.flags & kNifIcon) != 0;
  record.hIcon = newIcon ? loadSmallIcon(data.iconResource, record.hWnd) : nullptr;
  if (Shell_NotifyIconW(NIM_MODIFY, &record) == FALSE) {
    if (record.hIcon != nullptr) {
      DestroyIcon(record.hIcon);
    }
    return false;
  }
  const auto shown = findShown(record.hWnd, record.uID);
  if (shown == shownIcons().end()) {
    if (record.hIcon != nullptr) {
      DestroyIcon(record.hIcon);
    }
    return true;
  }
  NOTIFYICONDATAW& kept = shown->data;
  kept.uFlags |= record.uFlags;
  if ((data.flags & kNifTip) != 0) {
    std::wmemcpy(kept.szTip, record.szTip, std::size(record.szTip));
  }
  if ((data.flags & kNifMessage) != 0) {
    kept.uCallbackMessage = record.uCallbackMessage;
  }
  if (newIcon) {
    replaceIcon(kept, record.hIcon);
    shown->iconResource = data.iconResource;
  }
  return true;
}

bool notifyIconDelete(const NotifyIconData& data) {
  NOTIFYICONDATAW record{};
  record.cbSize = sizeof record;
  record.hWnd = toHwnd(data.window);
  record.uID = data.id;
  const bool deleted = Shell_NotifyIconW(NIM_DELETE, &record) != FALSE;
  forget(record.hWnd, record.uID);
  return deleted;
}

MenuHandle createPopupMenu() {
  return reinterpret_cast<MenuHandle>(CreatePopupMenu());
}

bool destroyMenu(MenuHandle menu) {
  return menu != nullptr && DestroyMenu(toHmenu(menu)) != FALSE;
}

bool appendMenuItem(MenuHandle menu, std::uint32_t commandId, std::string_view label) {
  return InsertMenuW(toHmenu(menu), static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING, commandId,
                     toWide(label).c_str()) != FALSE;
}

bool appendSubmenu(MenuHandle menu, MenuHandle submenu, std::string_view label) {
  return InsertMenuW(toHmenu(menu), static_cast<UINT>(-1), MF_BYPOSITION | MF_STRING | MF_POPUP,
                     reinterpret_cast<UINT_PTR>(toHmenu(submenu)), toWide(label).c_str()) != FALSE;
}

bool trackPopupMenu(MenuHandle menu, WindowHandle window) {
  POINT cursor{};
  GetCursorPos(&cursor);
  SetForegroundWindow(toHwnd(window));
  return TrackPopupMenu(toHmenu(menu), 0, cursor.x, cursor.y, 0, toHwnd(window), nullptr) != FALSE;
}

}  // namespace pixoria::platform
