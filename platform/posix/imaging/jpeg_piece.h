// One piece of a baseline scan's entropy-coded data, decoded on its own from a byte offset the
// decoder did not reach by decoding: where the piece starts, the decoder cannot know which unit,
// block or even code it is in, nor the DC values carried from earlier units. Huffman codes
// resynchronise within a few codes, so the units decoded after the first few are the right ones,
// numbered from an unknown offset and with each component's DC values off by a constant.
//
// The piece before it, decoding on past its end, settles both: where its unit starts meet this
// piece's, the two decoders are in the same state from there on (see ParallelJpegRows).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/jpeg_scan_layout.h"
#include "imaging/scaled_block_transform.h"

namespace pixoria::platform::imaging {

// Where a unit starts: the data bit it starts at (from the piece's start, or for a tail from the
// next piece's start), its number in this piece, and the DC values carried into it.
struct McuStart {
  std::uint64_t position = 0;
  std::int64_t mcu = 0;
  std::array<std::int32_t, 3> dc{};
};

// Decoded units, stored in chunks so the piece grows without copying. Each block is its DC value
// followed by the scale x scale samples of ScaledBlockTransform.
class DecodedMcus {
 public:
  explicit DecodedMcus(int valuesPerMcu) : valuesPerMcu_(valuesPerMcu) {}
  std::int16_t* append();
  void dropLast() { --count_; }
  const std::int16_t* at(std::int64_t mcu) const {
    return chunks_[static_cast<std::size_t>(mcu / kMcusPerChunk)].get() +
           static_cast<std::size_t>(mcu % kMcusPerChunk) * static_cast<std::size_t>(valuesPerMcu_);
  }
  std::int64_t count() const { return count_; }
  std::size_t bytesPerMcu() const {
    return static_cast<std::size_t>(valuesPerMcu_) * sizeof(std::int16_t);
  }

 private:
  static constexpr std::int64_t kMcusPerChunk = 4096;
  int valuesPerMcu_;
  std::int64_t count_ = 0;
  std::vector<std::unique_ptr<std::int16_t[]>> chunks_;
};

struct JpegPiece {
  static constexpr std::size_t kHeadMcus = 256;
  static constexpr std::size_t kTailMcus = 256;

  explicit JpegPiece(int valuesPerMcu) : mcus(valuesPerMcu) {}

  // Input: the piece's bytes and a little of the next piece's, and how many data bits the
  // piece's own bytes hold (none past the last piece).
  std::vector<std::uint8_t> bytes;
  std::uint64_t ownBits = UINT64_MAX;
  std::int64_t maxMcus = 0;

  // Output.
  DecodedMcus mcus;
  std::vector<McuStart> head;         // the first kHeadMcus unit starts
  std::vector<McuStart> tail;         // the first kTailMcus unit starts in the next piece's bytes
  std::vector<std::int64_t> badMcus;  // units with an invalid code or coefficient index
  bool tooManyBad = false;
};

struct BlockTransforms {
  std::array<std::unique_ptr<ScaledBlockTransform>, 3> byComponent;
};

// Decodes `piece` from its first byte, as though a unit started there with DC values of zero.
// Stops after the tail is full, at the end of the data, at maxMcus, or when `cancel` is set.
void decodeJpegPiece(const JpegScanLayout& layout, const BlockTransforms& transforms,
                     JpegPiece& piece, const std::atomic<bool>& cancel);

}  // namespace pixoria::platform::imaging
