// The entropy-coded bits of a JPEG scan, read from a buffer: stuffed zero bytes after 0xFF are
// removed, and at a marker or at the end of the buffer the stream continues with zero bits, as
// libjpeg does. Positions count the data bits read from the start of the buffer, so two readers
// that start at different places can compare where they are.
#pragma once

#include <cstdint>
#include <cstring>

namespace pixoria::platform::imaging {

class JpegBitStream {
 public:
  JpegBitStream(const std::uint8_t* data, std::size_t size) : next_(data), end_(data + size) {}

  // The next bits at the top; at least 32 of them are valid after ensure().
  std::uint64_t peek() const { return bits_; }
  void ensure() {
    if (count_ < 32) {
      refill();
    }
  }
  void skip(int count) {
    bits_ <<= count;
    count_ -= count;
  }
  // Reads `count` (1 .. 16) bits.
  std::uint32_t read(int count) {
    auto value = static_cast<std::uint32_t>(bits_ >> (64 - count));
    skip(count);
    return value;
  }

  // Data bits consumed so far.
  std::uint64_t position() const { return bitsIn_ - static_cast<std::uint64_t>(count_); }
  // True once bits past the real data (zeros filled in) have been consumed.
  bool pastData() const { return position() > bitsIn_ - zeroBits_; }

 private:
  void refill() {
    while (count_ <= 56) {
      if (end_ - next_ >= 8 && refillWord()) {
        return;
      }
      bits_ |= static_cast<std::uint64_t>(nextByte()) << (56 - count_);
      count_ += 8;
      bitsIn_ += 8;
    }
  }

  // Loads whole bytes eight at a time when none of them is 0xFF. The bits of a partly loaded byte
  // below count_ are the same ones the next load puts there.
  bool refillWord() {
    std::uint64_t word;
    std::memcpy(&word, next_, 8);
    word = __builtin_bswap64(word);
    std::uint64_t inverted = ~word;
    if (((inverted - 0x0101010101010101u) & ~inverted & 0x8080808080808080u) != 0) {
      return false;
    }
    int bytes = (64 - count_) >> 3;
    bits_ |= word >> count_;
    next_ += bytes;
    count_ += bytes * 8;
    bitsIn_ += static_cast<std::uint64_t>(bytes) * 8;
    return true;
  }

  std::uint8_t nextByte() {
    if (next_ >= end_ || atMarker_) {
      zeroBits_ += 8;
      return 0;
    }
    std::uint8_t byte = *next_;
    if (byte != 0xFF) {
      ++next_;
      return byte;
    }
    if (end_ - next_ >= 2 && next_[1] == 0x00) {
      next_ += 2;
      return 0xFF;
    }
    atMarker_ = true;  // a marker, or a lone 0xFF at the end: the scan ends here
    zeroBits_ += 8;
    return 0;
  }

  const std::uint8_t* next_;
  const std::uint8_t* end_;
  std::uint64_t bits_ = 0;
  int count_ = 0;
  std::uint64_t bitsIn_ = 0;
  std::uint64_t zeroBits_ = 0;
  bool atMarker_ = false;
};

}  // namespace pixoria::platform::imaging
