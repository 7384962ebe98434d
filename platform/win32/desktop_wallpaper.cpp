// The desktop-wallpaper service on COM's IDesktopWallpaper (shobjidl.h declares the interface).
#include "pixoria/platform/desktop_wallpaper.h"

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <shobjidl.h>

#include <new>

#include "wide_text.h"

namespace pixoria::platform {

namespace {

using win32::toUtf8;
using win32::toWide;

// CLSID_DesktopWallpaper and IID_IDesktopWallpaper, spelled out so the program does not depend
// on which import library defines them.
constexpr GUID kDesktopWallpaperClass = {
    0xC2CF3110, 0x460E, 0x4FC1, {0xB9, 0xD0, 0x8A, 0x1C, 0x0C, 0x9C, 0xC4, 0xBD}};
constexpr GUID kDesktopWallpaperInterface = {
    0xB92B56A9, 0x8B55, 0x4E14, {0x9A, 0x89, 0x01, 0x99, 0xBB, 0xB6, 0xF9, 0x3B}};

// Owns one reference to the COM object and releases it when the wrapper goes.
class ComDesktopWallpaper final : public DesktopWallpaper {
 public:
  explicit ComDesktopWallpaper(IDesktopWallpaper* object) : object_(object) {}
  ~ComDesktopWallpaper() override { object_->Release(); }
  ComDesktopWallpaper(const ComDesktopWallpaper&) = delete;
  ComDesktopWallpaper& operator=(const ComDesktopWallpaper&) = delete;

  HResult getMonitorDevicePathCount(std::uint32_t& count) override {
    UINT monitors = 0;
    const HRESULT result = object_->GetMonitorDevicePathCount(&monitors);
    if (SUCCEEDED(result)) {
      count = monitors;
    }
    return result;
  }

  HResult getMonitorDevicePathAt(std::uint32_t monitorIndex, std::string& monitorId) override {
    LPWSTR path = nullptr;
    const HRESULT result = object_->GetMonitorDevicePathAt(monitorIndex, &path);
    if (SUCCEEDED(result) && path != nullptr) {
      monitorId = toUtf8(path);
    }
    CoTaskMemFree(path);  // null is fine
    return result;
  }

  HResult setWallpaper(std::string_view monitorId, std::string_view imagePath) override {
    return object_->SetWallpaper(toWide(monitorId).c_str(), toWide(imagePath).c_str());
  }

  HResult setPosition(WallpaperPosition position) override {
    return object_->SetPosition(static_cast<DESKTOP_WALLPAPER_POSITION>(position));
  }

 private:
  IDesktopWallpaper* object_;
};

}  // namespace

HResult coInitialize() {
  return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}

void coUninitialize() {
  CoUninitialize();
}

HResult createDesktopWallpaper(std::unique_ptr<DesktopWallpaper>& wallpaper) {
  IDesktopWallpaper* object = nullptr;
  const HRESULT result =
      CoCreateInstance(kDesktopWallpaperClass, nullptr, CLSCTX_ALL, kDesktopWallpaperInterface,
                       reinterpret_cast<void**>(&object));
  if (FAILED(result) || object == nullptr) {
    return FAILED(result) ? result : E_POINTER;
  }
  wallpaper.reset(new (std::nothrow) ComDesktopWallpaper(object));
  if (!wallpaper) {
    object->Release();
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

}  // namespace pixoria::platform
