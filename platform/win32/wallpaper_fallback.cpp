// Setting the wallpaper where the desktop-wallpaper class is not registered (Windows 7, Wine):
// the older system-parameter call, one image for the whole desktop, fill style.
#include <windows.h>

#include "pixoria/platform/desktop_wallpaper.h"
#include "wide_text.h"

namespace pixoria::platform {

namespace {

bool setDesktopString(HKEY desktop, const wchar_t* name, const wchar_t* value) {
  const DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
  return RegSetValueExW(desktop, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes) ==
         ERROR_SUCCESS;
}

// WallpaperStyle 10 with TileWallpaper 0 is "fill": the image covers the screen, cropped.
bool setFillStyle() {
  HKEY desktop = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &desktop,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const bool written = setDesktopString(desktop, L"WallpaperStyle", L"10") &&
                       setDesktopString(desktop, L"TileWallpaper", L"0");
  RegCloseKey(desktop);
  return written;
}

}  // namespace

bool setWallpaperFallback(std::string_view imagePath) {
  std::wstring path = win32::toWide(imagePath);
  if (path.empty() || !setFillStyle()) {
    return false;
  }
  return SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, path.data(),
                               SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != FALSE;
}

}  // namespace pixoria::platform
