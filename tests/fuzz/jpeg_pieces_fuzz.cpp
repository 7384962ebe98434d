// Fuzzes the pieces a baseline scan is cut into for decoding on several threads, against the
// whole scan decoded as one piece. No files and no threads: the pieces are cut, decoded and
// linked in memory the way the threaded decoder does it.
//
// Input: a header choosing the unit layout, the scale, the quantisers, the number of units, where
// to cut and how far a piece reads past its end; then either raw entropy-coded data or bytes that
// an encoder turns into units (coefficients Huffman coded with the standard tables), optionally
// with a few bytes damaged.
//
// Checked on every input: unit starts are in stream order and consistently numbered in every
// piece; every unit a linked piece would deliver (up to where the next piece takes over, as far
// as its decoding can be trusted) equals the whole decode's unit, AC samples equal and DC equal
// once its offset is added, modulo 2^16; linked pieces take over at increasing units. For
// undamaged encoded data, the whole decode also gives exactly the units encoded.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "imaging/huffman_table.h"
#include "imaging/jpeg_piece.h"
#include "imaging/jpeg_piece_link.h"
#include "imaging/jpeg_scan_layout.h"
#include "imaging/jpeg_scan_plan.h"
#include "imaging/scaled_block_transform.h"

namespace {

using namespace pixoria::platform::imaging;

// What the threaded decoder reads past a piece's own bytes to meet the next piece. Shorter
// overlaps, which the data here is never long enough to reach otherwise, make the pieces run into
// the end of their bytes while still decoding the next piece's units.
constexpr std::size_t kOverlapBytes = 64 * 1024;
constexpr std::size_t kShortOverlapStep = 8;
constexpr int kMaxUnitsPerSide = 64;
constexpr int kMaxDamagedBytes = 3;
constexpr std::uint8_t kEndOfBlock = 0x00;
constexpr std::uint8_t kZeroRun = 0xF0;

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "jpeg_pieces_fuzz: %s\n", what);
    std::abort();
  }
}

// The example tables of the JPEG standard (ITU T.81 Annex K.3): counts of codes of each length
// 1 .. 16 (index 0 unused), then the symbols in code order.
struct StandardTable {
  std::uint8_t counts[17];
  std::vector<std::uint8_t> symbols;
};

const StandardTable kLuminanceDc = {{0, 0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0},
                                    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};
const StandardTable kChrominanceDc = {{0, 0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0},
                                      {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};
const StandardTable kLuminanceAc = {
    {0, 0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D},
    {0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
     0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xA1, 0x08, 0x23, 0x42, 0xB1, 0xC1, 0x15, 0x52,
     0xD1, 0xF0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0A, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x25,
     0x26, 0x27, 0x28, 0x29, 0x2A, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x43, 0x44, 0x45,
     0x46, 0x47, 0x48, 0x49, 0x4A, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x63, 0x64,
     0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x83,
     0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
     0x9A, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6,
     0xB7, 0xB8, 0xB9, 0xBA, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xD2, 0xD3,
     0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8,
     0xE9, 0xEA, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA}};
const StandardTable kChrominanceAc = {
    {0, 0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77},
    {0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
     0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xA1, 0xB1, 0xC1, 0x09, 0x23, 0x33,
     0x52, 0xF0, 0x15, 0x62, 0x72, 0xD1, 0x0A, 0x16, 0x24, 0x34, 0xE1, 0x25, 0xF1, 0x17, 0x18,
     0x19, 0x1A, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x43, 0x44,
     0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x63,
     0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A,
     0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
     0x98, 0x99, 0x9A, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xB2, 0xB3, 0xB4,
     0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA,
     0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7,
     0xE8, 0xE9, 0xEA, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA}};

// The decoder's tables: index 0 luminance, 1 chrominance.
struct DecodeTables {
  std::array<HuffmanTable, 2> dc;
  std::array<HuffmanTable, 2> ac;
};

const DecodeTables& decodeTables() {
  static const DecodeTables tables = [] {
    DecodeTables built;
    check(built.dc[0].build(kLuminanceDc.counts, kLuminanceDc.symbols.data()) &&
              built.dc[1].build(kChrominanceDc.counts, kChrominanceDc.symbols.data()) &&
              built.ac[0].build(kLuminanceAc.counts, kLuminanceAc.symbols.data()) &&
              built.ac[1].build(kChrominanceAc.counts, kChrominanceAc.symbols.data()),
          "a standard table was refused");
    built.ac[0].buildFastAc();
    built.ac[1].buildFastAc();
    return built;
  }();
  return tables;
}

// The encoder's view of a table: each symbol's code and its length.
struct CodeTable {
  std::array<std::uint16_t, 256> code{};
  std::array<std::uint8_t, 256> length{};
};

CodeTable codesOf(const StandardTable& table) {
  CodeTable codes;
  std::uint32_t code = 0;
  std::size_t index = 0;
  for (int length = 1; length <= 16; ++length, code <<= 1) {
    for (int i = 0; i < table.counts[length]; ++i, ++code, ++index) {
      codes.code[table.symbols[index]] = static_cast<std::uint16_t>(code);
      codes.length[table.symbols[index]] = static_cast<std::uint8_t>(length);
    }
  }
  return codes;
}

struct EncodeTables {
  std::array<CodeTable, 2> dc{codesOf(kLuminanceDc), codesOf(kChrominanceDc)};
  std::array<CodeTable, 2> ac{codesOf(kLuminanceAc), codesOf(kChrominanceAc)};
};

const EncodeTables& encodeTables() {
  static const EncodeTables tables;
  return tables;
}

// The input, read front to back; zeros once it runs out.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : next_(data), end_(data + size) {}
  bool empty() const { return next_ == end_; }
  std::uint8_t byte() { return next_ < end_ ? *next_++ : 0; }
  std::uint16_t word() {
    std::uint16_t high = byte();
    return static_cast<std::uint16_t>(high << 8 | byte());
  }
  std::vector<std::uint8_t> rest() {
    std::vector<std::uint8_t> bytes(next_, end_);
    next_ = end_;
    return bytes;
  }

 private:
  const std::uint8_t* next_;
  const std::uint8_t* end_;
};

// A byte of the coded data (before stuffing) with some bits flipped.
struct Damage {
  std::uint16_t offset = 0;
  std::uint8_t flip = 1;
};

// Unit layouts: greyscale, and colour with the luma sampled 1x1, 2x2 or 2x1 against the chroma.
struct Sampling {
  int components;
  int lumaHorizontal;
  int lumaVertical;
};
constexpr std::array<Sampling, 4> kSamplings = {{{1, 1, 1}, {3, 1, 1}, {3, 2, 2}, {3, 2, 1}}};

// The layout describeBaselineScan gives for such a scan.
JpegScanLayout makeLayout(const Sampling& sampling, int scale, int mcusPerRow, int mcuRows,
                          std::uint8_t quantSeed) {
  JpegScanLayout layout;
  layout.scale = scale;
  layout.componentCount = sampling.components;
  layout.maxHorizontal = sampling.lumaHorizontal;
  layout.maxVertical = sampling.lumaVertical;
  std::uint32_t state = quantSeed;
  int block = 0;
  for (int c = 0; c < sampling.components; ++c) {
    JpegComponentLayout& component = layout.components[static_cast<std::size_t>(c)];
    component.horizontal = c == 0 ? sampling.lumaHorizontal : 1;
    component.vertical = c == 0 ? sampling.lumaVertical : 1;
    component.dcTable = component.acTable = c == 0 ? 0 : 1;
    // Seed 0: all ones; otherwise pseudo-random values 1 .. 255.
    for (std::uint16_t& quant : component.quant) {
      state = state * 1103515245u + 12345u;
      quant = quantSeed == 0 ? 1 : static_cast<std::uint16_t>(1 + (state >> 16) % 255);
    }
    for (int i = 0; i < component.horizontal * component.vertical; ++i) {
      layout.blockComponent[static_cast<std::size_t>(block++)] = static_cast<std::uint8_t>(c);
    }
  }
  layout.blocksPerMcu = block;
  layout.mcusPerRow = mcusPerRow;
  layout.mcuRows = mcuRows;
  layout.width = static_cast<std::uint32_t>(mcusPerRow * 8 * layout.maxHorizontal);
  layout.height = static_cast<std::uint32_t>(mcuRows * 8 * layout.maxVertical);
  const DecodeTables& tables = decodeTables();
  for (std::size_t t = 0; t < 2; ++t) {
    layout.dcTables[t] = tables.dc[t];
    layout.acTables[t] = tables.ac[t];
  }
  return layout;
}

int valuesPerBlock(const JpegScanLayout& layout) {
  return 1 + layout.scale * layout.scale;
}
int valuesPerMcu(const JpegScanLayout& layout) {
  return layout.blocksPerMcu * valuesPerBlock(layout);
}

// Turns input bytes into units: each block a DC difference and a few AC coefficients, Huffman
// coded with the standard tables. Records what a decoder should make of each unit.
class ScanEncoder {
 public:
  ScanEncoder(const JpegScanLayout& layout, const BlockTransforms& transforms)
      : layout_(layout), transforms_(transforms) {}

  void encodeMcu(Input& input) {
    std::size_t at = expected_.size();
    expected_.resize(at + static_cast<std::size_t>(valuesPerMcu(layout_)));
    std::int16_t* out = &expected_[at];
    for (int b = 0; b < layout_.blocksPerMcu; ++b, out += valuesPerBlock(layout_)) {
      encodeBlock(input, layout_.blockComponent[static_cast<std::size_t>(b)], out);
    }
    ++mcus_;
  }

  // Pads the last byte with ones, damages the bytes as asked, then stuffs a zero after every
  // 0xFF.
  std::vector<std::uint8_t> finish(const std::vector<Damage>& damage) {
    if (pending_ > 0) {
      put((1u << (8 - pending_)) - 1, 8 - pending_);
    }
    for (const Damage& byte : damage) {
      if (!bytes_.empty()) {
        bytes_[byte.offset % bytes_.size()] ^= byte.flip;
      }
    }
    std::vector<std::uint8_t> stuffed;
    for (std::uint8_t byte : bytes_) {
      stuffed.push_back(byte);
      if (byte == 0xFF) {
        stuffed.push_back(0x00);
      }
    }
    return stuffed;
  }

  std::int64_t mcus() const { return mcus_; }
  const std::int16_t* expected(std::int64_t mcu) const {
    return &expected_[static_cast<std::size_t>(mcu) *
                      static_cast<std::size_t>(valuesPerMcu(layout_))];
  }

 private:
  void put(std::uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) {
      accumulator_ = static_cast<std::uint8_t>(accumulator_ << 1 | ((bits >> i) & 1));
      if (++pending_ == 8) {
        bytes_.push_back(accumulator_);
        pending_ = 0;
      }
    }
  }
  void putSymbol(const CodeTable& table, std::uint8_t symbol) {
    check(table.length[symbol] != 0, "the encoder has no code for a symbol");
    put(table.code[symbol], table.length[symbol]);
  }
  // A value of `size` magnitude bits (its magnitude 2^(size-1) .. 2^size - 1), and its bits as
  // they are coded: a negative value is coded as value - 1 in `size` bits.
  static int valueOfSize(Input& input, int size, std::uint32_t& bits) {
    std::uint16_t word = input.word();
    int magnitude = (1 << (size - 1)) + (word & ((1 << (size - 1)) - 1));
    int value = (word & 0x8000) ? -magnitude : magnitude;
    bits = static_cast<std::uint32_t>(value > 0 ? value : value + (1 << size) - 1);
    return value;
  }

  void encodeBlock(Input& input, int c, std::int16_t* out) {
    const int table = c == 0 ? 0 : 1;
    const EncodeTables& codes = encodeTables();
    const ScaledBlockTransform& transform = *transforms_.byComponent[static_cast<std::size_t>(c)];
    std::uint32_t bits = 0;

    int dcSize = input.byte() % 12;
    putSymbol(codes.dc[static_cast<std::size_t>(table)], static_cast<std::uint8_t>(dcSize));
    if (dcSize > 0) {
      int difference = valueOfSize(input, dcSize, bits);
      put(bits, dcSize);
      dc_[static_cast<std::size_t>(c)] += static_cast<std::uint32_t>(difference);
    }

    std::int32_t kept[kMaxKeptCoefficients + 1] = {};
    std::uint8_t shape = input.byte();
    const bool full = shape >= 0xF8;  // every coefficient set: a block with no end code
    const int count = full ? 63 : shape % 8;
    int k = 1;
    for (int i = 0; i < count && k < 64; ++i) {
      int run = 0;
      if (!full) {
        std::uint8_t runByte = input.byte();
        run = runByte & 15;
        if (runByte >> 6 == 3) {
          run += 16 * (1 + ((runByte >> 4) & 1));
        }
      }
      if (k + run > 63) {
        break;
      }
      for (; run >= 16; run -= 16, k += 16) {
        putSymbol(codes.ac[static_cast<std::size_t>(table)], kZeroRun);
      }
      int size = 1 + input.byte() % 10;
      int value = valueOfSize(input, size, bits);
      putSymbol(codes.ac[static_cast<std::size_t>(table)],
                static_cast<std::uint8_t>(run << 4 | size));
      put(bits, size);
      k += run;
      kept[transform.slots()[static_cast<std::size_t>(k)]] = value;
      ++k;
    }
    if (k < 64) {
      putSymbol(codes.ac[static_cast<std::size_t>(table)], kEndOfBlock);
    }

    out[0] =
        static_cast<std::int16_t>(static_cast<std::uint16_t>(dc_[static_cast<std::size_t>(c)]));
    transform.apply(kept, out + 1);
  }

  const JpegScanLayout& layout_;
  const BlockTransforms& transforms_;
  std::array<std::uint32_t, 3> dc_{};
  std::vector<std::uint8_t> bytes_;
  std::uint8_t accumulator_ = 0;
  int pending_ = 0;
  std::int64_t mcus_ = 0;
  std::vector<std::int16_t> expected_;
};

// Where a scan's data ends: at the first 0xFF not followed by a stuffed zero, as findScanEnd
// judges a file.
std::size_t scanEnd(const std::vector<std::uint8_t>& data) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] == 0xFF && (i + 1 >= data.size() || data[i + 1] != 0x00)) {
      return i;
    }
  }
  return data.size();
}

// Cuts at the asked fractions of the data (in 1/65536), by cutScan's rules: increasing, never
// right after a 0xFF, every piece non-empty.
std::vector<std::size_t> cutData(const std::vector<std::uint8_t>& data,
                                 std::vector<std::uint16_t> fractions) {
  std::sort(fractions.begin(), fractions.end());
  const std::size_t end = data.size();
  std::vector<std::size_t> cuts{0};
  for (std::uint16_t fraction : fractions) {
    std::size_t cut = static_cast<std::size_t>(static_cast<std::uint64_t>(end) * fraction >> 16);
    while (cut > 0 && cut < end && data[cut - 1] == 0xFF) {
      ++cut;
    }
    if (cut > cuts.back() && cut < end) {
      cuts.push_back(cut);
    }
  }
  cuts.push_back(end);
  return cuts;
}

bool isBad(const JpegPiece& piece, std::int64_t mcu) {
  return std::binary_search(piece.badMcus.begin(), piece.badMcus.end(), mcu);
}

// Unit starts in stream order, numbered one after another: a unit that decoded cleanly took
// bits, one that stopped at a bad code may not have.
void checkStarts(const JpegPiece& piece, const std::vector<McuStart>& starts) {
  for (std::size_t i = 1; i < starts.size(); ++i) {
    const McuStart& before = starts[i - 1];
    check(starts[i].mcu == before.mcu + 1, "unit starts are not numbered in sequence");
    check(starts[i].position >= before.position, "a unit starts before the one before it");
    check(starts[i].position > before.position || piece.tooManyBad || isBad(piece, before.mcu),
          "a clean unit took no bits");
  }
}

void checkPiece(const JpegPiece& piece) {
  check(piece.mcus.count() <= piece.maxMcus, "a piece decoded past its limit");
  check(std::adjacent_find(piece.badMcus.begin(), piece.badMcus.end(),
                           [](std::int64_t a, std::int64_t b) { return a >= b; }) ==
            piece.badMcus.end(),
        "bad units are not listed in order");
  checkStarts(piece, piece.head);
  checkStarts(piece, piece.tail);
  check(piece.head.empty() || piece.head.front().mcu == 0, "the first unit start is not unit 0");
  for (const McuStart& start : piece.tail) {
    // The same start, seen from the piece's own start.
    if (static_cast<std::size_t>(start.mcu) < piece.head.size()) {
      const McuStart& head = piece.head[static_cast<std::size_t>(start.mcu)];
      check(head.position == start.position + piece.ownBits, "head and tail disagree");
    }
  }
}

std::unique_ptr<JpegPiece> decodePiece(const JpegScanLayout& layout,
                                       const BlockTransforms& transforms,
                                       std::vector<std::uint8_t> bytes, std::uint64_t ownBits,
                                       std::int64_t maxMcus) {
  static const std::atomic<bool> kNoCancel{false};
  auto piece = std::make_unique<JpegPiece>(valuesPerMcu(layout));
  piece->bytes = std::move(bytes);
  piece->ownBits = ownBits;
  piece->maxMcus = maxMcus;
  decodeJpegPiece(layout, transforms, *piece, kNoCancel);
  piece->bytes = {};
  checkPiece(*piece);
  return piece;
}

// Unit `mcu` of the whole scan as a linked piece gives it: equal to the whole decode's.
void checkServedMcu(const JpegScanLayout& layout, const JpegPiece& whole, const JpegPiece& piece,
                    const JpegPieceLink& link, std::int64_t mcu) {
  check(mcu < whole.mcus.count(), "a piece delivers a unit the whole scan does not have");
  check(whole.tooManyBad || !isBad(whole, mcu), "a piece delivers a unit the scan has bad");
  const std::int16_t* expected = whole.mcus.at(mcu);
  const std::int16_t* got = piece.mcus.at(mcu - link.base);
  const int perBlock = valuesPerBlock(layout);
  for (int b = 0; b < layout.blocksPerMcu; ++b, expected += perBlock, got += perBlock) {
    std::size_t c = layout.blockComponent[static_cast<std::size_t>(b)];
    auto dc = static_cast<std::uint16_t>(
        static_cast<std::uint32_t>(static_cast<std::uint16_t>(got[0])) + link.dcOffset[c]);
    check(dc == static_cast<std::uint16_t>(expected[0]), "a linked unit's DC value differs");
    check(std::equal(expected + 1, expected + perBlock, got + 1), "a linked unit's samples differ");
  }
}

void checkInput(Input& input) {
  // Header: layout, scale, cuts and mode; units per row and rows; quantisers; overlap; damage.
  const std::uint8_t shape = input.byte();
  const Sampling& sampling = kSamplings[shape & 3];
  const int scale = 1 + ((shape >> 2) & 3);
  const int cutCount = 1 + ((shape >> 4) & 7);
  const bool raw = (shape & 0x80) != 0;
  const int mcusPerRow = 1 + input.byte() % kMaxUnitsPerSide;
  const int mcuRows = 1 + input.byte() % kMaxUnitsPerSide;
  const std::uint8_t quantSeed = input.byte();
  const std::uint8_t overlapByte = input.byte();
  const std::size_t overlap =
      overlapByte < 0x80 ? kOverlapBytes : kShortOverlapStep * (overlapByte - 0x7F);
  const int damageCount = raw ? 0 : input.byte() % (kMaxDamagedBytes + 1);

  const JpegScanLayout layout = makeLayout(sampling, scale, mcusPerRow, mcuRows, quantSeed);
  const std::int64_t limit = layout.mcuCount();
  BlockTransforms transforms;
  for (int c = 0; c < layout.componentCount; ++c) {
    transforms.byComponent[static_cast<std::size_t>(c)] = std::make_unique<ScaledBlockTransform>(
        scale, layout.components[static_cast<std::size_t>(c)].quant);
  }

  std::vector<std::uint16_t> fractions(static_cast<std::size_t>(cutCount), 0);
  for (std::uint16_t& fraction : fractions) {
    fraction = input.word();
  }
  std::vector<Damage> damage(static_cast<std::size_t>(damageCount));
  for (Damage& byte : damage) {
    byte.offset = input.word();
    byte.flip = static_cast<std::uint8_t>(input.byte() | 1);
  }

  std::vector<std::uint8_t> data;
  std::unique_ptr<ScanEncoder> encoder;
  if (raw) {
    data = input.rest();
  } else {
    encoder = std::make_unique<ScanEncoder>(layout, transforms);
    while (!input.empty() && encoder->mcus() < limit) {
      encoder->encodeMcu(input);
    }
    data = encoder->finish(damage);
  }
  data.resize(scanEnd(data));

  // The reference: everything in one piece.
  std::unique_ptr<JpegPiece> whole = decodePiece(layout, transforms, data, UINT64_MAX, limit);
  if (encoder && damage.empty()) {
    check(whole->mcus.count() == encoder->mcus(), "the whole decode has not the units encoded");
    check(whole->badMcus.empty(), "a unit encoded is bad");
    for (std::int64_t mcu = 0; mcu < encoder->mcus(); ++mcu) {
      check(std::equal(encoder->expected(mcu), encoder->expected(mcu) + valuesPerMcu(layout),
                       whole->mcus.at(mcu)),
            "a unit decodes to other values than encoded");
    }
  }

  // The pieces, each with its own bytes and the overlap after them.
  const std::vector<std::size_t> cuts = cutData(data, fractions);
  const std::size_t pieceCount = cuts.size() - 1;
  std::vector<std::unique_ptr<JpegPiece>> pieces;
  for (std::size_t k = 0; k < pieceCount; ++k) {
    const std::size_t begin = cuts[k], ownEnd = cuts[k + 1];
    const std::size_t end = std::min(ownEnd + overlap, data.size());
    std::uint64_t ownBits = UINT64_MAX;
    if (k + 1 < pieceCount) {
      std::size_t own = ownEnd - begin;
      ownBits = 8 * static_cast<std::uint64_t>(own - countStuffedBytes(data.data() + begin, own));
    }
    pieces.push_back(
        decodePiece(layout, transforms,
                    std::vector<std::uint8_t>(data.begin() + static_cast<std::ptrdiff_t>(begin),
                                              data.begin() + static_cast<std::ptrdiff_t>(end)),
                    ownBits, limit + static_cast<std::int64_t>(JpegPiece::kTailMcus)));
  }

  // Linked in a chain up to the first piece that does not link.
  std::vector<JpegPieceLink> links(1);
  while (links.size() < pieceCount) {
    std::size_t k = links.size();
    JpegPieceLink link;
    if (!linkJpegPieces(*pieces[k - 1], links[k - 1], *pieces[k], link)) {
      break;
    }
    check(link.firstMcu > links[k - 1].firstMcu, "linked pieces do not take over in order");
    links.push_back(link);
  }

  // What each linked piece delivers, up to where decoding it can no longer be trusted and at
  // most the scan's units.
  for (std::size_t k = 0; k < links.size(); ++k) {
    const JpegPiece& piece = *pieces[k];
    const JpegPieceLink& link = links[k];
    const std::int64_t end = k + 1 < links.size() ? links[k + 1].firstMcu : limit;
    const std::int64_t trusted = link.base + trustedMcuLimit(piece, link.firstMcu - link.base);
    // Units past the scan's last (from data after it) are never delivered.
    for (std::int64_t mcu = link.firstMcu; mcu < std::min({end, trusted, limit}); ++mcu) {
      checkServedMcu(layout, *whole, piece, link, mcu);
    }
    if (trusted < end) {
      break;  // the threaded decoder hands over to libjpeg here
    }
  }
}

}  // namespace

// An undefined-behaviour report ends the run like any other, so the fuzzer keeps the input.
extern "C" const char* __ubsan_default_options() {
  return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input input(data, size);
  checkInput(input);
  return 0;
}
