#include "tray_icon_size.h"

namespace pixoria::platform::win32 {

namespace {

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using GetDpiForSystemCall = UINT(WINAPI*)();
using GetSystemMetricsForDpiCall = int(WINAPI*)(int, UINT);

// A user32 export that older versions of Windows lack, or null.
template <typename Call>
Call user32Call(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) {
    return nullptr;
  }
  // GetProcAddress returns a generic function pointer that has to be cast to the real signature.
  return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

UINT screenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen != nullptr) {
    ReleaseDC(nullptr, screen);
  }
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

UINT dpiOfWindow(HWND window) {
  static const auto forWindow = user32Call<GetDpiForWindowCall>("GetDpiForWindow");
  static const auto forSystem = user32Call<GetDpiForSystemCall>("GetDpiForSystem");
  UINT dpi = forWindow != nullptr && window != nullptr ? forWindow(window) : 0;
  if (dpi == 0 && forSystem != nullptr) {
    dpi = forSystem();
  }
  return dpi != 0 ? dpi : screenDpi();
}

SIZE smallIconSize(UINT dpi) {
  static const auto forDpi = user32Call<GetSystemMetricsForDpiCall>("GetSystemMetricsForDpi");
  if (forDpi != nullptr) {
    return {forDpi(SM_CXSMICON, dpi), forDpi(SM_CYSMICON, dpi)};
  }
  return {GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)};
}

}  // namespace pixoria::platform::win32
