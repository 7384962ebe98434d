// The threaded JPEG decoder against libjpeg on real files: the same rows whatever the layout, the
// scale and the way the scan is cut; libjpeg's verdict on damaged, truncated and unusual files;
// and the pieces it is built from.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "imaging/decoders.h"
#include "imaging/huffman_table.h"
#include "imaging/jpeg_bit_stream.h"
#include "imaging/jpeg_scan_plan.h"
#include "imaging/test_images.h"

namespace pixoria::test {
namespace {

using platform::GpStatus;
using platform::imaging::FileReader;
using platform::imaging::ParallelJpegTuning;
using platform::imaging::RowSource;

// Many small pieces on two workers: every image is cut dozens of times.
constexpr ParallelJpegTuning kThreaded{.minScanBytes = 0, .pieceDecodedBytes = 4096, .workers = 2};
// One worker: always libjpeg alone.
constexpr ParallelJpegTuning kLibjpeg{.minScanBytes = 0, .pieceDecodedBytes = 4096, .workers = 1};

// Detail everywhere (so no piece is trivially flat) and smooth gradients.
Picture photoLike(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> noise(-40, 40);
  return makePicture(width, height, [&](int x, int y) {
    int n = noise(random);
    return Rgb{
        std::clamp(x * 255 / width + n, 0, 255), std::clamp(y * 255 / height + n, 0, 255),
        std::clamp(128 + static_cast<int>(60 * std::sin(x * 0.05 + y * 0.03)) + n / 2, 0, 255)};
  });
}

struct DecodedRows {
  GpStatus opened = GpStatus::ok;
  int width = 0;
  int height = 0;
  int goodRows = 0;  // rows read before the first failure
  std::vector<std::uint8_t> rgb;
};

DecodedRows decodeRows(const std::string& path, int minWidth, int minHeight,
                       const ParallelJpegTuning& tuning, int rowsToRead = -1) {
  DecodedRows result;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_GE(fd, 0);
  {
    FileReader file(fd);
    std::unique_ptr<RowSource> rows;
    result.opened = platform::imaging::openJpegRows(file, minWidth, minHeight, rows, tuning);
    if (result.opened == GpStatus::ok) {
      result.width = rows->deliveredWidth();
      result.height = rows->height();
      int wanted = rowsToRead < 0 ? result.height : rowsToRead;
      std::vector<std::uint8_t> row(static_cast<std::size_t>(result.width) * 3);
      for (; result.goodRows < wanted; ++result.goodRows) {
        if (rows->readRow(row.data()) != GpStatus::ok) {
          break;
        }
        result.rgb.insert(result.rgb.end(), row.begin(), row.end());
      }
    }
  }
  close(fd);
  return result;
}

double psnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) {
  double sum = 0;
  for (std::size_t i = 0; i < size; ++i) {
    sum += (static_cast<double>(a[i]) - b[i]) * (static_cast<double>(a[i]) - b[i]);
  }
  return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * static_cast<double>(size) / sum);
}

// Both decoders on one file: the same verdict and the same number of rows; every row nearly the
// same pixels. The transforms differ where libjpeg keeps more than the lowest frequencies (at
// 1/4 and 1/2) or sharpens subsampled chroma, which on a noisy picture costs a few dB; a piece
// misplaced or with a wrong DC value costs far more in its rows.
// With damaged data the rows from the damage on may differ more: both decoders decode the same
// wrong coefficients until one finds the data invalid, and wrong coefficients are full of the high
// frequencies the transforms treat differently; so `cleanRows` says how many rows must match.
void expectSameAsLibjpeg(const std::string& path, int minWidth, int minHeight,
                         double worstRowDb = 30, int cleanRows = INT_MAX) {
  DecodedRows threaded = decodeRows(path, minWidth, minHeight, kThreaded);
  DecodedRows reference = decodeRows(path, minWidth, minHeight, kLibjpeg);
  ASSERT_EQ(threaded.opened, reference.opened);
  EXPECT_EQ(threaded.width, reference.width);
  EXPECT_EQ(threaded.height, reference.height);
  ASSERT_EQ(threaded.goodRows, reference.goodRows);
  std::size_t rowBytes = static_cast<std::size_t>(reference.width) * 3;
  for (int y = 0; y < reference.goodRows; ++y) {
    std::size_t at = static_cast<std::size_t>(y) * rowBytes;
    double db = psnr(&threaded.rgb[at], &reference.rgb[at], rowBytes);
    ASSERT_GT(db, y < cleanRows ? worstRowDb : 12.0)
        << path << " at width " << minWidth << ", row " << y;
  }
}

class ParallelJpegLayouts : public ::testing::Test {
 protected:
  TempFolder folder_;
};

TEST_F(ParallelJpegLayouts, EveryLayoutAndScaleGivesLibjpegsRows) {
  struct Case {
    const char* name;
    JpegOptions options;
  };
  const Case cases[] = {
      {"420", {.quality = 92}},
      {"444", {.quality = 90, .lumaHorizontal = 1, .lumaVertical = 1}},
      {"422", {.quality = 85, .lumaHorizontal = 2, .lumaVertical = 1}},
      {"440", {.quality = 85, .lumaHorizontal = 1, .lumaVertical = 2}},
      {"grey", {.quality = 90, .lumaHorizontal = 1, .lumaVertical = 1, .grey = true}},
  };
  // Sizes that leave partial units on the right and at the bottom.
  Picture picture = photoLike(517, 389, 7);
  for (const Case& c : cases) {
    std::string path = folder_.file(std::string(c.name) + ".jpg");
    writeJpeg(path, picture, c.options);
    for (int minWidth : {60, 120, 190, 250}) {  // scales 1/8 to 4/8
      expectSameAsLibjpeg(path, minWidth, 1);
    }
    // At 3/8 both transforms keep the lowest 3x3 frequencies: only rounding differs.
    if (c.options.lumaHorizontal == 1 && c.options.lumaVertical == 1) {
      expectSameAsLibjpeg(path, 190, 1, 50);
    }
  }
}

TEST_F(ParallelJpegLayouts, FilesItDoesNotTakeGoToLibjpeg) {
  Picture picture = photoLike(300, 200, 3);
  std::string progressive = folder_.file("progressive.jpg");
  writeJpeg(progressive, picture, JpegOptions{.progressive = true});
  std::string restarts = folder_.file("restarts.jpg");
  writeJpeg(restarts, picture, JpegOptions{.restartRows = 2});
  for (const std::string& path : {progressive, restarts}) {
    expectSameAsLibjpeg(path, 100, 1);
    expectSameAsLibjpeg(path, 300, 1);  // full size: past the threaded decoder's scales
  }
}

class ParallelJpegDamage : public ::testing::Test {
 protected:
  void SetUp() override {
    writeJpeg(clean_, photoLike(640, 480, 11), JpegOptions{.quality = 95});
    bytes_ = readBytes(clean_);
  }
  // The offset of the entropy-coded data's middle: well past the headers.
  std::size_t middle() const { return bytes_.size() / 2; }

  TempFolder folder_;
  std::string clean_ = folder_.file("clean.jpg");
  std::string bytes_;
  static constexpr int kDecodedHeight = 240;  // at 4/8, the scale a width of 250 picks
};

TEST_F(ParallelJpegDamage, DamagedDataGivesLibjpegsVerdictAndRows) {
  std::mt19937 random(5);
  for (int trial = 0; trial < 12; ++trial) {
    std::string damaged = bytes_;
    std::size_t at = middle() + static_cast<std::size_t>(trial) * 997;
    // Byte values below 0x80 never make a marker or a stuffed pair.
    for (int i = 0; i < 1 + trial % 4; ++i) {
      std::size_t offset = at + static_cast<std::size_t>(i * 13);
      if (static_cast<std::uint8_t>(damaged[offset - 1]) != 0xFF &&
          static_cast<std::uint8_t>(damaged[offset]) != 0xFF) {
        damaged[offset] = static_cast<char>(random() & 0x7F);
      }
    }
    std::string path = folder_.file("damaged.jpg");
    writeBytes(path, damaged);
    expectSameAsLibjpeg(path, 250, 1, 30, kDecodedHeight * 2 / 5);
  }
}

TEST_F(ParallelJpegDamage, TruncatedFileDeliversTheRowsLibjpegDoes) {
  for (std::size_t keep : {bytes_.size() / 3, middle(), bytes_.size() - 100}) {
    std::string path = folder_.file("truncated.jpg");
    writeBytes(path, bytes_.substr(0, keep));
    expectSameAsLibjpeg(path, 250, 1);
    DecodedRows rows = decodeRows(path, 250, 1, kThreaded);
    EXPECT_LT(rows.goodRows, rows.height);
  }
}

TEST_F(ParallelJpegDamage, DataAfterTheImageIsIgnored) {
  std::string path = folder_.file("trailing.jpg");
  // As phones append a video after the picture.
  writeBytes(path, bytes_ + bytes_ + std::string(300000, '\x5A'));
  DecodedRows clean = decodeRows(clean_, 250, 1, kThreaded);
  DecodedRows trailing = decodeRows(path, 250, 1, kThreaded);
  EXPECT_EQ(trailing.goodRows, clean.height);
  EXPECT_EQ(trailing.rgb, clean.rgb);
}

TEST_F(ParallelJpegDamage, StoppingEarlyEndsTheWorkers) {
  // The reader stops after a few rows, as the resampler does below the canvas.
  DecodedRows rows = decodeRows(clean_, 250, 1, kThreaded, 5);
  EXPECT_EQ(rows.goodRows, 5);
}

TEST(HuffmanTable, DecodesCanonicalCodesAndRefusesImpossibleTables) {
  // Two codes of length 2 (00, 01), one of length 3 (100), two of length 11.
  std::uint8_t counts[17] = {0, 0, 2, 1, 0, 0, 0, 0, 0, 0, 0, 2};
  const std::uint8_t symbols[] = {0x10, 0x21, 0x03, 0x44, 0x55};
  platform::imaging::HuffmanTable table;
  ASSERT_TRUE(table.build(counts, symbols));
  int symbol = -1;
  EXPECT_EQ(table.decode(std::uint64_t{0b01} << 62, symbol), 2);
  EXPECT_EQ(symbol, 0x21);
  EXPECT_EQ(table.decode(std::uint64_t{0b100} << 61, symbol), 3);
  EXPECT_EQ(symbol, 0x03);
  // After 100 come 1010 (shifted to length 11): 10100000000 and 10100000001.
  EXPECT_EQ(table.decode(std::uint64_t{0b10100000001} << 53, symbol), 11);
  EXPECT_EQ(symbol, 0x55);
  EXPECT_EQ(table.decode(~std::uint64_t{0}, symbol), 0);  // no code is all ones

  std::uint8_t tooMany[17] = {0, 3};  // three codes of one bit
  EXPECT_FALSE(table.build(tooMany, symbols));
  std::uint8_t allOnes[17] = {0, 2};  // 0 and 1: the second is all ones
  EXPECT_FALSE(table.build(allOnes, symbols));
}

TEST(JpegBitStream, RemovesStuffingAndEndsWithZerosAtAMarker) {
  const std::uint8_t data[] = {0xA5, 0xFF, 0x00, 0x3C, 0xFF, 0xD9, 0x77};
  platform::imaging::JpegBitStream stream(data, sizeof data);
  stream.ensure();
  EXPECT_EQ(stream.read(8), 0xA5u);
  EXPECT_EQ(stream.read(8), 0xFFu);
  EXPECT_EQ(stream.position(), 16u);  // the stuffed zero is not data
  EXPECT_EQ(stream.read(8), 0x3Cu);
  EXPECT_FALSE(stream.pastData());
  stream.ensure();
  EXPECT_EQ(stream.read(8), 0u);  // the marker ends the data
  EXPECT_TRUE(stream.pastData());
}

TEST(JpegScanPlan, FindsTheEndAndNeverCutsAfterAnFf) {
  TempFolder folder;
  std::string data;
  for (int i = 0; i < 4000; ++i) {
    data += (i % 3 == 0) ? std::string("\xFF\x00", 2) : std::string(1, static_cast<char>(i & 0x7F));
  }
  std::string path = folder.file("scan.bin");
  writeBytes(path, data + "\xFF\xD9trailing");
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  std::uint64_t end = platform::imaging::findScanEnd(fd, 0, data.size() + 10);
  EXPECT_EQ(end, data.size());
  std::vector<std::uint64_t> cuts = platform::imaging::cutScan(fd, 0, end, 97);
  close(fd);
  ASSERT_GE(cuts.size(), 3u);
  EXPECT_EQ(cuts.front(), 0u);
  EXPECT_EQ(cuts.back(), end);
  for (std::size_t k = 1; k < cuts.size(); ++k) {
    EXPECT_LT(cuts[k - 1], cuts[k]);
    if (k + 1 < cuts.size()) {
      EXPECT_NE(std::uint8_t(data[cuts[k] - 1]), 0xFF) << "cut " << cuts[k];
    }
  }
  auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
  EXPECT_EQ(platform::imaging::countStuffedBytes(bytes, data.size()), 1334u);
}

}  // namespace
}  // namespace pixoria::test
