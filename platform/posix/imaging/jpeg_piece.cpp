#include "imaging/jpeg_piece.h"

#include <algorithm>

#include "imaging/jpeg_bit_stream.h"

namespace pixoria::platform::imaging {
namespace {

constexpr std::size_t kMaxBadMcus = 1024;
constexpr std::int64_t kCancelCheckInterval = 1024;

struct BlockTables {
  const HuffmanTable* dc;
  const HuffmanTable* ac;
  const ScaledBlockTransform* transform;
};

bool decodeDc(JpegBitStream& stream, const HuffmanTable& table, std::int32_t& dc) {
  stream.ensure();
  int size = 0;
  int length = table.decode(stream.peek(), size);
  if (length == 0 || size > 11) {
    return false;
  }
  stream.skip(length);
  if (size != 0) {
    dc = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(dc) +
        static_cast<std::uint32_t>(extendMagnitude(stream.read(size), size)));
  }
  return true;
}

// The AC coefficients, kept in their slots; false for an invalid code or an index past the block.
bool decodeAc(JpegBitStream& stream, const HuffmanTable& table,
              const std::array<std::uint8_t, 80>& slots, std::int32_t* kept) {
  int k = 1;
  while (k < 64) {
    stream.ensure();
    int fast = table.fastAc(stream.peek());
    if (fast != 0) {
      k += (fast >> 4) & 15;
      stream.skip(fast & 15);
      kept[slots[static_cast<std::size_t>(k++)]] = fast >> 8;
      continue;
    }
    int symbol = 0;
    int length = table.decode(stream.peek(), symbol);
    if (length == 0) {
      return false;
    }
    stream.skip(length);
    int run = symbol >> 4, size = symbol & 15;
    if (size == 0) {
      if (run != 15) {
        return true;  // end of block
      }
      k += 16;
      continue;
    }
    k += run;
    kept[slots[static_cast<std::size_t>(k++)]] = extendMagnitude(stream.read(size), size);
  }
  return k == 64;
}

bool decodeBlock(JpegBitStream& stream, const BlockTables& tables, std::int32_t& dc,
                 std::int16_t* out) {
  std::int32_t kept[kMaxKeptCoefficients + 1] = {};
  if (!decodeDc(stream, *tables.dc, dc) ||
      !decodeAc(stream, *tables.ac, tables.transform->slots(), kept)) {
    return false;
  }
  out[0] = static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(dc)));
  tables.transform->apply(kept, out + 1);
  return true;
}

// One unit. After a bad block the rest of the unit is filled with flat blocks, so the store keeps
// whole units, and the stream moves on a bit, so a decoder that is not yet in step with the scan
// tries the next position rather than the same invalid code again.
bool decodeMcu(JpegBitStream& stream, const JpegScanLayout& layout,
               const std::array<BlockTables, 3>& tables, std::array<std::int32_t, 3>& dc,
               std::int16_t* out, int valuesPerBlock) {
  bool good = true;
  for (int b = 0; b < layout.blocksPerMcu; ++b, out += valuesPerBlock) {
    int c = layout.blockComponent[static_cast<std::size_t>(b)];
    if (good) {
      good = decodeBlock(stream, tables[static_cast<std::size_t>(c)],
                         dc[static_cast<std::size_t>(c)], out);
      if (!good) {
        stream.ensure();
        stream.skip(1);
      }
    }
    if (!good) {
      out[0] = static_cast<std::int16_t>(
          static_cast<std::uint16_t>(static_cast<std::uint32_t>(dc[static_cast<std::size_t>(c)])));
      std::fill(out + 1, out + valuesPerBlock, std::int16_t{0});
    }
  }
  return good;
}

void noteBadMcu(JpegPiece& piece, std::int64_t mcu) {
  if (piece.badMcus.size() < kMaxBadMcus) {
    piece.badMcus.push_back(mcu);
  } else {
    piece.tooManyBad = true;
  }
}

// Records where unit `mcu` starts; false once the tail is full.
bool recordStart(JpegPiece& piece, McuStart start) {
  if (piece.head.size() < JpegPiece::kHeadMcus) {
    piece.head.push_back(start);
  }
  if (start.position < piece.ownBits) {
    return true;
  }
  if (piece.tail.size() == JpegPiece::kTailMcus) {
    return false;
  }
  start.position -= piece.ownBits;
  piece.tail.push_back(start);
  return true;
}

}  // namespace

std::int16_t* DecodedMcus::append() {
  if (count_ % kMcusPerChunk == 0 &&
      static_cast<std::size_t>(count_ / kMcusPerChunk) == chunks_.size()) {
    chunks_.push_back(std::make_unique<std::int16_t[]>(static_cast<std::size_t>(kMcusPerChunk) *
                                                       static_cast<std::size_t>(valuesPerMcu_)));
  }
  return const_cast<std::int16_t*>(at(count_++));
}

void decodeJpegPiece(const JpegScanLayout& layout, const BlockTransforms& transforms,
                     JpegPiece& piece, const std::atomic<bool>& cancel) {
  std::array<BlockTables, 3> tables{};
  for (int c = 0; c < layout.componentCount; ++c) {
    const JpegComponentLayout& component = layout.components[static_cast<std::size_t>(c)];
    tables[static_cast<std::size_t>(c)] = {
        &layout.dcTables[static_cast<std::size_t>(component.dcTable)],
        &layout.acTables[static_cast<std::size_t>(component.acTable)],
        transforms.byComponent[static_cast<std::size_t>(c)].get()};
  }
  const int valuesPerBlock = 1 + layout.scale * layout.scale;
  JpegBitStream stream(piece.bytes.data(), piece.bytes.size());
  std::array<std::int32_t, 3> dc{};
  for (std::int64_t mcu = 0;; ++mcu) {
    if (mcu == piece.maxMcus) {
      return;
    }
    if (!recordStart(piece, {stream.position(), mcu, dc})) {
      return;
    }
    if (mcu % kCancelCheckInterval == 0 && cancel.load(std::memory_order_relaxed)) {
      return;
    }
    if (!decodeMcu(stream, layout, tables, dc, piece.mcus.append(), valuesPerBlock)) {
      noteBadMcu(piece, mcu);
    }
    if (stream.pastData()) {
      piece.mcus.dropLast();  // it ran into the filler after the data
      return;
    }
  }
}

}  // namespace pixoria::platform::imaging
