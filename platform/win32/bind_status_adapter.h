// The IBindStatusCallback that urlmon calls during a file download. It holds no state of the
// download beyond the HTTP status and counts no references (it lives on the caller's stack for
// the one call): QueryInterface answers for IBindStatusCallback and IUnknown with its own
// address, AddRef and Release return 2 and 1, OnProgress forwards to the program's callback and
// returns S_OK, every other operation returns E_NOTIMPL. A body that grows past its cap is
// aborted through the binding, while OnProgress still answers S_OK.
#pragma once

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <urlmon.h>

#include <cstdint>

#include "binding_tracker.h"
#include "pixoria/platform/url.h"

namespace pixoria::platform::win32 {

class BindStatusAdapter final : public IBindStatusCallback {
 public:
  // `target` may be null: the download then reports to no one.
  BindStatusAdapter(BindStatusCallback* target, std::uint64_t bodyCap)
      : target_(target), bodyCap_(bodyCap) {}
  BindStatusAdapter(const BindStatusAdapter&) = delete;
  BindStatusAdapter& operator=(const BindStatusAdapter&) = delete;

  // The HTTP status of the response, 0 when none was seen (not HTTP, or no response).
  DWORD httpStatus() const { return httpStatus_; }

  // True when the server announced a length and the body that arrived is shorter: urlmon
  // reports a connection closed early as a complete download.
  bool bodyCutShort() const { return progressMax_ != 0 && lastProgress_ < progressMax_; }

  // True once the body grew past its cap and the binding was aborted for it.
  bool capExceeded() const { return capExceeded_; }

  // The binding and its last activity, for the stall watchdog.
  BindingTracker& tracker() { return tracker_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
  HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                       LPCWSTR statusText) override;
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format,
                                            STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID riid, IUnknown* object) override;

 private:
  void readHttpStatus();

  BindStatusCallback* target_;
  std::uint64_t bodyCap_;
  // Held between OnStartBinding and the end, to ask it for the HTTP status (urlmon reports a 404
  // page as a successful download, which for us is a failure) and to abort an overlong body.
  BindingTracker tracker_;
  DWORD httpStatus_ = 0;
  ULONG lastProgress_ = 0;
  ULONG progressMax_ = 0;
  bool capExceeded_ = false;
};

}  // namespace pixoria::platform::win32
