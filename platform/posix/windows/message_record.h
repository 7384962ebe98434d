// A posted message as it travels between processes: message number (u32), first and second
// parameter (64 bits each), in the host's byte order, nothing else. Sender and receiver are on the
// same machine, so there is no byte-order question; a datagram of any other size is not a message.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace pixoria::platform::posix {

struct MessageRecord {
  std::uint32_t message = 0;
  std::uint64_t wParam = 0;
  std::uint64_t lParam = 0;
};

inline constexpr std::size_t kMessageRecordSize = 4 + 8 + 8;

using MessageBytes = std::array<unsigned char, kMessageRecordSize>;

MessageBytes encodeMessage(const MessageRecord& record);

// False when `size` is not the record's size.
bool decodeMessage(const unsigned char* bytes, std::size_t size, MessageRecord& record);

}  // namespace pixoria::platform::posix
