// The notification icon and popup menus on shell32 and user32.
#include "pixoria/platform/tray.h"

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "shell_restart.h"
#include "wide_text.h"

namespace pixoria::platform {

// The full current record: the shell reads the members up to the size it is told.
static_assert(sizeof(NOTIFYICONDATAW) == 976, "NOTIFYICONDATAW must be the 976-byte record");

namespace {

using win32::toWide;

// An icon this process has shown, kept to show it again after the shell restarts.
struct ShownIcon {
  NOTIFYICONDATAW data;
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

// The program's icon resource at the small-icon size the notification area draws.
HICON loadSmallIcon(int resource) {
  if (resource == 0) {
    return nullptr;
  }
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource),
                                       IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                       GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
}

NOTIFYICONDATAW toRecord(const NotifyIconData& data) {
  NOTIFYICONDATAW record{};
  record.cbSize = sizeof record;
  record.hWnd = toHwnd(data.window);
  record.uID = data.id;
  record.uFlags = data.flags;
  record.uCallbackMessage = data.callbackMessage;
  const std::wstring tip = toWide(data.tip);
  const std::size_t tipLength = std::min<std::size_t>(tip.size(), std::size(record.szTip) - 1);
  std::wmemcpy(record.szTip, tip.data(), tipLength);
  return record;
}

auto findShown(HWND window, UINT id) {
  return std::find_if(shownIcons().begin(), shownIcons().end(), [&](const ShownIcon& icon) {
    return icon.data.hWnd == window && icon.data.uID == id;
  });
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
  if (message != taskbarCreatedMessage()) {
    return;
  }
  for (ShownIcon& icon : shownIcons()) {
    if (icon.data.hWnd == window) {
      Shell_NotifyIconW(NIM_ADD, &icon.data);
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
  record.hIcon = (data.flags & kNifIcon) != 0 ? loadSmallIcon(data.iconResource) : nullptr;
  if (Shell_NotifyIconW(NIM_ADD, &record) == FALSE) {
    if (record.hIcon != nullptr) {
      DestroyIcon(record.hIcon);
    }
    return false;
  }
  forget(record.hWnd, record.uID);
  shownIcons().push_back({record});
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
