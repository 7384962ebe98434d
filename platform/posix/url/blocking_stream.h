// A response body held in memory and read out in the caller's chunk size.
#pragma once

#include <cstdint>
#include <string>

#include "pixoria/platform/url.h"

namespace pixoria::platform::posix {

// Holding the whole (capped) body before the first read means every read fills the caller's
// buffer unless the body ends: a short chunk only ever comes last, however the network delivered
// the bytes. Callers that stop at a short chunk depend on that.
class MemoryStream final : public Stream {
 public:
  explicit MemoryStream(std::string body) : body_(std::move(body)) {}
  HResult read(void* buffer, std::uint32_t size, std::uint32_t& bytesRead) override;

 private:
  std::string body_;
  std::size_t position_ = 0;
};

}  // namespace pixoria::platform::posix
