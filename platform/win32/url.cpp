// The network on urlmon: blocking streams and downloads to a file.
#include "pixoria/platform/url.h"

#include <windows.h>
// The Windows headers below need windows.h before them.
#include <urlmon.h>

#include <new>

#include "bind_status_adapter.h"
#include "replace_file.h"
#include "wide_text.h"

namespace pixoria::platform {

namespace {

using win32::toWide;

// A feed is small; a body longer than this is cut off rather than read into memory.
constexpr std::uint64_t kMaxStreamBytes = std::uint64_t{64} << 20;

bool isHttpAddress(std::string_view url) {
  return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
}

// Owns the IStream and reads it to its end or to the cap.
class ComStream final : public Stream {
 public:
  explicit ComStream(IStream* stream) : stream_(stream) {}
  ~ComStream() override { stream_->Release(); }
  ComStream(const ComStream&) = delete;
  ComStream& operator=(const ComStream&) = delete;

  HResult read(void* buffer, std::uint32_t size, std::uint32_t& bytesRead) override {
    bytesRead = 0;
    const std::uint64_t left = kMaxStreamBytes - total_;
    const ULONG wanted = static_cast<ULONG>(left < size ? left : size);
    if (wanted == 0) {
      return S_FALSE;
    }
    ULONG read = 0;
    const HRESULT result = stream_->Read(buffer, wanted, &read);
    bytesRead = read;
    total_ += read;
    return result;
  }

 private:
  IStream* stream_;
  std::uint64_t total_ = 0;
};

// HTTP answers an error with a page that urlmon happily delivers; the page is not the file.
bool isErrorStatus(DWORD httpStatus) {
  return httpStatus >= 400;
}

}  // namespace

HResult urlOpenBlockingStream(std::string_view url, std::unique_ptr<Stream>& stream) {
  if (!isHttpAddress(url)) {
    return E_INVALIDARG;
  }
  IStream* opened = nullptr;
  const HRESULT result = URLOpenBlockingStreamW(nullptr, toWide(url).c_str(), &opened, 0, nullptr);
  if (FAILED(result) || opened == nullptr) {
    return FAILED(result) ? result : E_POINTER;
  }
  stream.reset(new (std::nothrow) ComStream(opened));
  if (!stream) {
    opened->Release();
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HResult urlDownloadToFile(std::string_view url, std::string_view filePath,
                          BindStatusCallback* callback) {
  if (!isHttpAddress(url)) {
    return E_INVALIDARG;
  }
  const std::wstring destination = toWide(filePath);
  const std::wstring temporary = win32::temporaryPathBeside(destination);
  HRESULT result = S_OK;
  {
    win32::BindStatusAdapter adapter(callback);
    result = URLDownloadToFileW(nullptr, toWide(url).c_str(), temporary.c_str(), 0, &adapter);
    if (result == S_OK && isErrorStatus(adapter.httpStatus())) {
      result = INET_E_DOWNLOAD_FAILURE;
    }
  }
  if (result != S_OK) {
    DeleteFileW(temporary.c_str());
    return result;
  }
  return win32::replaceWith(temporary, destination) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

}  // namespace pixoria::platform
