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

#include <string>
#include <vector>

#include "tray_icon_size.h"

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

// A notification area of our own where the prefix has none: Wine's shell32 hands each
// Shell_NotifyIconW to the "Shell_TrayWnd" window as WM_COPYDATA (the operation as dwData, the
// record in Wine's own layout), so the tip the shell is given can be looked for in its bytes.
struct TrayRecord {
  ULONG_PTR operation = 0;
  std::string bytes;
};
std::vector<TrayRecord> trayRecords;

LRESULT CALLBACK standInTrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    trayRecords.push_back(
        {data->dwData, std::string(static_cast<const char*>(data->lpData), data->cbData)});
    return TRUE;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool holdsText(const std::string& bytes, const std::wstring& text) {
  const std::string wanted(reinterpret_cast<const char*>(text.c_str()),
                           (text.size() + 1) * sizeof(wchar_t));  // with its terminator
  return bytes.find(wanted) != std::string::npos;
}

TEST(TrayWin32Test, ModifyHandsTheShellTheNewTipWholeOrCutBetweenCharacters) {
  if (FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr) {
    GTEST_SKIP() << "this prefix has a notification area of its own";
  }
  WNDCLASSW trayClass{};
  trayClass.lpfnWndProc = standInTrayProc;
  trayClass.hInstance = GetModuleHandleW(nullptr);
  trayClass.lpszClassName = L"Shell_TrayWnd";
  RegisterClassW(&trayClass);
  const HWND tray = CreateWindowExW(0, L"Shell_TrayWnd", L"", 0, 0, 0, 0, 0, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(tray, nullptr);
  ASSERT_TRUE(pf::registerWindowClass("PixoriaTrayTest", plainProc));
  const pf::WindowHandle window = pf::createWindow("PixoriaTrayTest", "tray tip test");
  pf::NotifyIconData icon;
  icon.window = window;
  icon.id = kIconId;
  icon.flags = pf::kNifMessage | pf::kNifTip;
  icon.callbackMessage = 1034;
  icon.tip = "Pixoria Helper";
  ASSERT_TRUE(pf::notifyIconAdd(icon));

  // 70 characters outside the basic plane are 140 UTF-16 units: 63 of them fit in 127.
  std::string faces;
  std::wstring cutFaces;
  for (int i = 0; i < 70; ++i) {
    faces += "\xF0\x9F\x98\x80";
    cutFaces += i < 63 ? L"\U0001F600" : L"";
  }
  const struct {
    std::string tip;
    std::wstring shown;
  } cases[] = {
      {"Pixoria Helper\nCould not reach Bing (no network). Trying again at 14:35.",
       L"Pixoria Helper\nCould not reach Bing (no network). Trying again at 14:35."},
      {"Pixoria Helper", L"Pixoria Helper"},
      {faces, cutFaces},
  };
  icon.flags = pf::kNifTip;
  for (const auto& c : cases) {
    trayRecords.clear();
    icon.tip = c.tip;
    EXPECT_TRUE(pf::notifyIconModify(icon));
    ASSERT_EQ(trayRecords.size(), 1u);
    EXPECT_EQ(trayRecords[0].operation, static_cast<ULONG_PTR>(NIM_MODIFY));
    EXPECT_TRUE(holdsText(trayRecords[0].bytes, c.shown)) << c.tip;
  }

  // The shell restarts: the icon comes back with the tip it was last given.
  trayRecords.clear();
  SendMessageW(reinterpret_cast<HWND>(window), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  ASSERT_EQ(trayRecords.size(), 1u);
  EXPECT_EQ(trayRecords[0].operation, static_cast<ULONG_PTR>(NIM_ADD));
  EXPECT_TRUE(holdsText(trayRecords[0].bytes, cutFaces));

  pf::notifyIconDelete(icon);
  pf::destroyWindow(window);
  DestroyWindow(tray);
}

// The icon is asked for at the small-icon size of the DPI it is shown at: 24 pixels at 150 %.
TEST(TrayWin32Test, TheIconIsAskedForAtTheSizeOfItsDpi) {
  const struct {
    UINT dpi;
    LONG side;
  } cases[] = {{96, 16}, {120, 20}, {144, 24}, {192, 32}};
  for (const auto& c : cases) {
    const SIZE size = pf::win32::smallIconSize(c.dpi);
    EXPECT_EQ(size.cx, c.side) << c.dpi << " DPI";
    EXPECT_EQ(size.cy, c.side) << c.dpi << " DPI";
  }
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
