// One GET with the house settings, its body handed piece by piece to a sink, within a size cap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pixoria/platform/results.h"

namespace pixoria::platform::posix {

// Where a body goes as it arrives.
class BodySink {
 public:
  // Takes the next piece of the body. `declaredLength` is the length the server announced, or -1.
  // A failure result stops the transfer, and becomes its result.
  virtual HResult take(const char* data, std::size_t size, std::int64_t declaredLength) = 0;

 protected:
  ~BodySink() = default;
};

// Fetches `url` (UTF-8 bytes from anywhere; unsafe bytes are percent-encoded here). kOk only when
// the whole body of a successful response went to the sink and it is at most `bodyCap` bytes.
// An empty address fails at once with kInvalidArg, without a request. Never throws.
HResult transferBody(std::string_view url, std::uint64_t bodyCap, BodySink& sink);

}  // namespace pixoria::platform::posix
