#include "windows/message_record.h"

#include <cstring>

namespace pixoria::platform::posix {

MessageBytes encodeMessage(const MessageRecord& record) {
  MessageBytes bytes{};
  std::memcpy(bytes.data(), &record.message, 4);
  std::memcpy(bytes.data() + 4, &record.wParam, 8);
  std::memcpy(bytes.data() + 12, &record.lParam, 8);
  return bytes;
}

bool decodeMessage(const unsigned char* bytes, std::size_t size, MessageRecord& record) {
  if (size != kMessageRecordSize) {
    return false;
  }
  std::memcpy(&record.message, bytes, 4);
  std::memcpy(&record.wParam, bytes + 4, 8);
  std::memcpy(&record.lParam, bytes + 12, 8);
  return true;
}

}  // namespace pixoria::platform::posix
