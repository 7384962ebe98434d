#include "bind_status_adapter.h"

#include <wininet.h>

#include "wide_text.h"

namespace pixoria::platform::win32 {

HRESULT BindStatusAdapter::QueryInterface(REFIID riid, void** object) {
  if (IsEqualIID(riid, IID_IBindStatusCallback) || IsEqualIID(riid, IID_IUnknown)) {
    *object = static_cast<IBindStatusCallback*>(this);
    return S_OK;
  }
  return E_NOINTERFACE;  // the out parameter is left as it was
}

ULONG BindStatusAdapter::AddRef() {
  return 2;
}

ULONG BindStatusAdapter::Release() {
  return 1;
}

// The result stays E_NOTIMPL; the binding is only kept to read the HTTP status later.
HRESULT BindStatusAdapter::OnStartBinding(DWORD, IBinding* binding) {
  tracker_.start(binding);
  return E_NOTIMPL;
}

HRESULT BindStatusAdapter::GetPriority(LONG*) {
  return E_NOTIMPL;
}

HRESULT BindStatusAdapter::OnLowResource(DWORD) {
  return E_NOTIMPL;
}

HRESULT BindStatusAdapter::OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                      LPCWSTR statusText) {
  tracker_.noteActivity();
  readHttpStatus();
  if (statusCode == BINDSTATUS_DOWNLOADINGDATA || statusCode == BINDSTATUS_ENDDOWNLOADDATA ||
      statusCode == BINDSTATUS_BEGINDOWNLOADDATA) {
    lastProgress_ = progress;
    progressMax_ = progressMax;
  }
  if (progress > bodyCap_) {
    capExceeded_ = true;
    tracker_.abort();
  }
  if (target_ != nullptr) {
    target_->onProgress(progress, progressMax, statusCode,
                        statusText != nullptr ? toUtf8(statusText) : std::string());
  }
  return S_OK;
}

HRESULT BindStatusAdapter::OnStopBinding(HRESULT, LPCWSTR) {
  return E_NOTIMPL;
}

HRESULT BindStatusAdapter::GetBindInfo(DWORD*, BINDINFO*) {
  return E_NOTIMPL;
}

HRESULT BindStatusAdapter::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) {
  return E_NOTIMPL;
}

HRESULT BindStatusAdapter::OnObjectAvailable(REFIID, IUnknown*) {
  return E_NOTIMPL;
}

void BindStatusAdapter::readHttpStatus() {
  IBinding* binding = tracker_.binding();
  if (binding == nullptr || httpStatus_ != 0) {
    return;
  }
  IWinInetHttpInfo* info = nullptr;
  if (FAILED(binding->QueryInterface(IID_IWinInetHttpInfo, reinterpret_cast<void**>(&info))) ||
      info == nullptr) {
    return;
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  if (SUCCEEDED(info->QueryInfo(HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                                nullptr, nullptr))) {
    httpStatus_ = status;
  }
  info->Release();
}

}  // namespace pixoria::platform::win32
