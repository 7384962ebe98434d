// A JPEG Huffman table prepared for fast decoding: codes of up to kFastBits bits are found with
// one lookup, longer ones by the canonical code ranges.
#pragma once

#include <array>
#include <cstdint>

namespace pixoria::platform::imaging {

class HuffmanTable {
 public:
  static constexpr int kFastBits = 10;

  // Builds from a DHT segment's counts (codes of length 1 .. 16) and symbols. False for a table
  // no decoder could use: more than 256 codes, or codes that overflow their length.
  bool build(const std::uint8_t (&counts)[17], const std::uint8_t* symbols);

  // Adds, for an AC table, the lookup that decodes a short code together with its magnitude bits.
  void buildFastAc();

  // `bits` holds the next bits of the stream at the top. Returns the code length and sets
  // `symbol`; 0 for a bit pattern that is no code.
  int decode(std::uint64_t bits, int& symbol) const {
    std::uint32_t fast = fast_[bits >> (64 - kFastBits)];
    if (fast != 0) {
      symbol = static_cast<int>(fast & 0xFF);
      return static_cast<int>(fast >> 8);
    }
    return decodeLong(bits, symbol);
  }

  // For an AC table: a short code and its magnitude in one step. Returns 0 when the next bits are
  // not such a pair; otherwise value << 8 | run << 4 | bits used.
  int fastAc(std::uint64_t bits) const { return fastAc_[bits >> (64 - kFastBits)]; }

 private:
  int decodeLong(std::uint64_t bits, int& symbol) const;

  std::array<std::uint16_t, 1 << kFastBits> fast_{};  // length << 8 | symbol; 0 for long codes
  std::array<std::int16_t, 1 << kFastBits> fastAc_{};
  // For each length, one past the last code of that length, left-aligned to 16 bits; and what to
  // add to a code of that length to index symbols_.
  std::array<std::uint32_t, 18> limit_{};
  std::array<int, 17> offset_{};
  std::array<std::uint8_t, 256> symbols_{};
};

// The value of `size` magnitude bits as JPEG codes them: a leading 0 means a negative number.
inline int extendMagnitude(std::uint32_t bits, int size) {
  return bits < (1u << (size - 1)) ? static_cast<int>(bits) - (1 << size) + 1
                                   : static_cast<int>(bits);
}

}  // namespace pixoria::platform::imaging
