#include "imaging/huffman_table.h"

namespace pixoria::platform::imaging {

bool HuffmanTable::build(const std::uint8_t (&counts)[17], const std::uint8_t* symbols) {
  fast_.fill(0);
  fastAc_.fill(0);
  int total = 0;
  for (int length = 1; length <= 16; ++length) {
    total += counts[length];
  }
  if (total > 256) {
    return false;
  }
  for (int i = 0; i < total; ++i) {
    symbols_[static_cast<std::size_t>(i)] = symbols[i];
  }

  std::uint32_t code = 0;
  int index = 0;
  for (int length = 1; length <= 16; ++length) {
    // The codes of this length must fit in it, and none may be all ones: checked before any is
    // written to the lookup table.
    if (code + counts[length] >= (1u << length)) {
      return false;
    }
    offset_[static_cast<std::size_t>(length)] = index - static_cast<int>(code);
    for (int i = 0; i < counts[length]; ++i, ++index, ++code) {
      if (length <= kFastBits) {
        // Every pattern that starts with this code decodes to it.
        std::uint32_t first = code << (kFastBits - length);
        std::uint32_t span = 1u << (kFastBits - length);
        for (std::uint32_t pattern = first; pattern < first + span; ++pattern) {
          fast_[pattern] =
              static_cast<std::uint16_t>(length << 8 | symbols_[static_cast<std::size_t>(index)]);
        }
      }
    }
    limit_[static_cast<std::size_t>(length)] = code << (16 - length);
    code <<= 1;
  }
  limit_[17] = 0xFFFFFFFF;
  return true;
}

int HuffmanTable::decodeLong(std::uint64_t bits, int& symbol) const {
  auto top = static_cast<std::uint32_t>(bits >> 48);
  int length = kFastBits + 1;
  while (length <= 16 && top >= limit_[static_cast<std::size_t>(length)]) {
    ++length;
  }
  if (length > 16) {
    return 0;
  }
  int code = static_cast<int>(top >> (16 - length));
  int index = code + offset_[static_cast<std::size_t>(length)];
  if (index < 0 || index > 255) {
    return 0;
  }
  symbol = symbols_[static_cast<std::size_t>(index)];
  return length;
}

void HuffmanTable::buildFastAc() {
  for (std::uint32_t pattern = 0; pattern < fast_.size(); ++pattern) {
    std::uint32_t entry = fast_[pattern];
    if (entry == 0) {
      continue;
    }
    int length = static_cast<int>(entry >> 8);
    int run = static_cast<int>(entry >> 4) & 15;
    int size = static_cast<int>(entry) & 15;
    if (size == 0 || length + size > kFastBits) {
      continue;
    }
    std::uint32_t magnitude = (pattern >> (kFastBits - length - size)) & ((1u << size) - 1);
    int value = extendMagnitude(magnitude, size);
    if (value >= -128 && value <= 127) {
      fastAc_[pattern] = static_cast<std::int16_t>(value * 256 + (run << 4) + length + size);
    }
  }
}

}  // namespace pixoria::platform::imaging
