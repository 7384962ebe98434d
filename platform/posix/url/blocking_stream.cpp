#include "url/blocking_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "url/body_transfer.h"
#include "url/transfer_error.h"
#include "url/url_limits.h"

namespace pixoria::platform::posix {
namespace {

class StringSink final : public BodySink {
 public:
  HResult take(const char* data, std::size_t size, std::int64_t declaredLength) override {
    if (body_.empty() && declaredLength > 0) {
      body_.reserve(static_cast<std::size_t>(declaredLength));
    }
    body_.append(data, size);
    return kOk;
  }
  std::string& body() { return body_; }

 private:
  std::string body_;
};

}  // namespace

HResult MemoryStream::read(void* buffer, std::uint32_t size, std::uint32_t& bytesRead) {
  bytesRead = 0;
  if (buffer == nullptr && size > 0) {
    return kPointer;
  }
  const std::size_t count = std::min<std::size_t>(size, body_.size() - position_);
  if (count > 0) {
    std::memcpy(buffer, body_.data() + position_, count);
  }
  position_ += count;
  bytesRead = static_cast<std::uint32_t>(count);
  return count < size ? kFalse : kOk;
}

}  // namespace pixoria::platform::posix

namespace pixoria::platform {

HResult urlOpenBlockingStream(std::string_view url, std::unique_ptr<Stream>& stream) {
  stream.reset();
  posix::StringSink sink;
  const HResult result = posix::transferBody(
      url, {posix::urlLimits().streamBodyCap, posix::urlLimits().streamDeadlineSeconds}, sink);
  if (failed(result)) {
    return result;
  }
  try {
    stream = std::make_unique<posix::MemoryStream>(std::move(sink.body()));
  } catch (const std::bad_alloc&) {
    posix::recordTransferError({TransferFailure::other, 0});
    return kFail;
  }
  return kOk;
}

}  // namespace pixoria::platform
