// The notification icon on shell32 under Wine: the icon comes back when the shell announces that
// it has restarted, and menus are built as the agent builds them.
// clang-format off
// windows.h defines the NIF_ names that tray.h declares as constants: the platform headers first.
#include "pixoria/platform/tray.h"
#include "pixoria/platform/windows.h"
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <gtest/gtest.h>

namespace pixoria::test {
namespace {

namespace pf = platform;

constexpr UINT kIconId = 1010;

pf::LResult plainProc(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam,
                      pf::LParam lParam) {
  return pf::defWindowProc(window, message, wParam, lParam);
}

// NIM_MODIFY succeeds only for an icon the shell shows.
bool shellShows(HWND window) {
  NOTIFYICONDATAW record{};
  record.cbSize = sizeof record;
  record.hWnd = window;
  record.uID = kIconId;
  record.uFlags = NIF_TIP;
  wcscpy(record.szTip, L"still here");
  return Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

TEST(TrayWin32Test, TheIconIsAddedAgainWhenTheShellRestarts) {
  ASSERT_TRUE(pf::registerWindowClass("PixoriaTrayTest", plainProc));
  const pf::WindowHandle window = pf::createWindow("PixoriaTrayTest", "tray test");
  ASSERT_NE(window, nullptr);
  const HWND hwnd = reinterpret_cast<HWND>(window);

  pf::NotifyIconData icon;
  icon.window = window;
  icon.id = kIconId;
  icon.flags = pf::kNifMessage | pf::kNifTip;
  icon.callbackMessage = 1034;
  icon.tip = "Pixoria Helper";
  if (!pf::notifyIconAdd(icon)) {
    pf::destroyWindow(window);
    GTEST_SKIP() << "this Wine prefix shows no notification area";
  }
  EXPECT_FALSE(pf::notifyIconAdd(icon)) << "a shown icon is not added twice";
  EXPECT_TRUE(shellShows(hwnd));

  // The shell forgets its icons when it restarts, then broadcasts "TaskbarCreated".
  NOTIFYICONDATAW forgotten{};
  forgotten.cbSize = sizeof forgotten;
  forgotten.hWnd = hwnd;
  forgotten.uID = kIconId;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &forgotten));
  ASSERT_FALSE(shellShows(hwnd));
  SendMessageW(hwnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(shellShows(hwnd));

  EXPECT_TRUE(pf::notifyIconDelete(icon));
  EXPECT_FALSE(shellShows(hwnd));
  // Deleted by the program: a later restart does not bring it back.
  SendMessageW(hwnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_FALSE(shellShows(hwnd));
  pf::destroyWindow(window);
}

TEST(TrayWin32Test, MenusHoldTheirItemsAndSubmenus) {
  const pf::MenuHandle menu = pf::createPopupMenu();
  const pf::MenuHandle submenu = pf::createPopupMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(pf::appendMenuItem(submenu, 307, "Next Image"));
  ASSERT_TRUE(pf::appendSubmenu(menu, submenu, "Bing Daily Wallpapers"));
  ASSERT_TRUE(pf::appendMenuItem(menu, 210, "Cl\xC3\xB6se"));
  const HMENU hmenu = reinterpret_cast<HMENU>(menu);
  EXPECT_EQ(GetMenuItemCount(hmenu), 2);
  EXPECT_EQ(GetSubMenu(hmenu, 0), reinterpret_cast<HMENU>(submenu));
  EXPECT_EQ(GetMenuItemID(hmenu, 1), 210u);
  wchar_t label[32] = {};
  GetMenuStringW(hmenu, 1, label, 32, MF_BYPOSITION);
  EXPECT_STREQ(label, L"Cl\u00F6se");
  EXPECT_TRUE(pf::destroyMenu(menu));  // the submenu goes with it
  EXPECT_FALSE(IsMenu(reinterpret_cast<HMENU>(submenu)));
}

}  // namespace
}  // namespace pixoria::test
