// JPEG through libjpeg-turbo: the header alone for the size; rows decoded with DCT scaling
// (M/8), so a large photograph is shrunk while it is decoded, straight to RGB.
#include <array>
#include <vector>

#include "imaging/decoders.h"
#include "imaging/image_limits.h"
#include "imaging/jpeg_error.h"
#include "imaging/parallel_jpeg_rows.h"

namespace pixoria::platform::imaging {
namespace {

constexpr std::size_t kInputChunk = 64 * 1024;

// A libjpeg data source on a FileReader. At the end of the file it supplies an EOI marker, as
// libjpeg expects, and remembers that the data ended early.
struct JpegFileSource {
  jpeg_source_mgr manager{};
  FileReader* file = nullptr;
  bool ranOut = false;
  std::array<JOCTET, kInputChunk> buffer{};
};

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr info) {
  auto* source = reinterpret_cast<JpegFileSource*>(info->src);
  std::size_t got = source->file->read(source->buffer.data(), source->buffer.size());
  if (got == 0) {
    source->ranOut = true;
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    got = 2;
  }
  source->manager.next_input_byte = source->buffer.data();
  source->manager.bytes_in_buffer = got;
  return TRUE;
}

void skipInputData(j_decompress_ptr info, long count) {
  auto* source = reinterpret_cast<JpegFileSource*>(info->src);
  if (count <= 0) {
    return;
  }
  auto skip = static_cast<std::size_t>(count);
  if (skip <= source->manager.bytes_in_buffer) {
    source->manager.next_input_byte += skip;
    source->manager.bytes_in_buffer -= skip;
    return;
  }
  source->file->skip(skip - source->manager.bytes_in_buffer);
  source->manager.bytes_in_buffer = 0;
}

unsigned scaledSize(unsigned size, int numerator) {
  return (size * static_cast<unsigned>(numerator) + 7) / 8;
}

// The smallest M/8 whose output is still at least the asked size.
int chooseScale(unsigned width, unsigned height, int minWidth, int minHeight) {
  for (int numerator = 1; numerator < 8; ++numerator) {
    if (scaledSize(width, numerator) >= static_cast<unsigned>(minWidth) &&
        scaledSize(height, numerator) >= static_cast<unsigned>(minHeight)) {
      return numerator;
    }
  }
  return 8;
}

class JpegRows final : public RowSource {
 public:
  explicit JpegRows(FileReader& file) {
    info_.err = installJpegErrorHandler(error_);
    source_.file = &file;
    source_.manager.init_source = initSource;
    source_.manager.fill_input_buffer = fillInputBuffer;
    source_.manager.skip_input_data = skipInputData;
    source_.manager.resync_to_restart = jpeg_resync_to_restart;
    source_.manager.term_source = termSource;
  }
  ~JpegRows() override {
    if (created_) {
      jpeg_destroy_decompress(&info_);
    }
  }
  // Reads through a reader of its own.
  explicit JpegRows(std::unique_ptr<FileReader> file) : JpegRows(*file) {
    ownFile_ = std::move(file);
  }
  JpegRows(const JpegRows&) = delete;
  JpegRows& operator=(const JpegRows&) = delete;

  GpStatus readHeader(ImageSize& size);
  GpStatus start(int minWidth, int minHeight);
  // After readHeader: the rows decoded on several threads, when that decoder takes the file.
  std::unique_ptr<RowSource> openParallel(int minWidth, int minHeight, JpegFallback fallback,
                                          const ParallelJpegTuning& tuning);
  void restrictColumns(int first, int last) override;
  GpStatus readRow(std::uint8_t* rgb) override;
  GpStatus skipRows(int count) override;

 private:
  bool dataEnded() const { return source_.ranOut || error_.prematureEnd; }
  void cmykRowToRgb(std::uint8_t* rgb) const;

  std::unique_ptr<FileReader> ownFile_;
  jpeg_decompress_struct info_{};
  JpegErrorHandler error_;
  jpeg_progress_mgr progress_{};
  JpegFileSource source_;
  bool created_ = false;
  bool adobeCmyk_ = false;
  std::vector<std::uint8_t> cmyk_;
};

GpStatus JpegRows::readHeader(ImageSize& size) {
  if (setjmp(error_.jump)) {
    return GpStatus::genericError;
  }
  jpeg_create_decompress(&info_);
  created_ = true;
  limitJpegMemory(reinterpret_cast<j_common_ptr>(&info_));
  limitJpegScans(&info_, progress_);
  info_.src = &source_.manager;
  if (jpeg_read_header(&info_, TRUE) != JPEG_HEADER_OK || dataEnded()) {
    return GpStatus::genericError;
  }
  size = {info_.image_width, info_.image_height};
  return sizeWithinLimits(size.width, size.height) ? GpStatus::ok : GpStatus::outOfMemory;
}

GpStatus JpegRows::start(int minWidth, int minHeight) {
  if (setjmp(error_.jump)) {
    return GpStatus::genericError;
  }
  int numerator = chooseScale(info_.image_width, info_.image_height, minWidth, minHeight);
  info_.scale_num = static_cast<unsigned>(numerator);
  info_.scale_denom = 8;
  info_.dct_method = JDCT_ISLOW;
  if (info_.jpeg_color_space == JCS_CMYK || info_.jpeg_color_space == JCS_YCCK) {
    info_.out_color_space = JCS_CMYK;
    adobeCmyk_ = info_.saw_Adobe_marker;
  } else {
    info_.out_color_space = JCS_RGB;
  }
  if (!jpeg_start_decompress(&info_) || dataEnded()) {
    return GpStatus::genericError;
  }
  width_ = static_cast<int>(info_.output_width);
  height_ = static_cast<int>(info_.output_height);
  if (info_.out_color_space == JCS_CMYK) {
    cmyk_.resize(static_cast<std::size_t>(width_) * 4);
  }
  return GpStatus::ok;
}

std::unique_ptr<RowSource> JpegRows::openParallel(int minWidth, int minHeight,
                                                  JpegFallback fallback,
                                                  const ParallelJpegTuning& tuning) {
#if PIXORIA_THREADED_JPEG
  FileReader& file = *source_.file;
  // libjpeg has read up to the end of the scan header; the entropy-coded data follows.
  std::uint64_t scanStart = file.position() - source_.manager.bytes_in_buffer;
  int scale = chooseScale(info_.image_width, info_.image_height, minWidth, minHeight);
  return openParallelJpegRows(file.fd(), file.size(), info_, scanStart, scale, std::move(fallback),
                              tuning);
#else
  (void)minWidth, (void)minHeight, (void)fallback, (void)tuning;
  return nullptr;
#endif
}

// libjpeg widens the span to whole blocks; the columns outside it are never transformed.
void JpegRows::restrictColumns(int first, int last) {
  if (setjmp(error_.jump)) {
    return;  // keeps the whole width
  }
  auto offset = static_cast<JDIMENSION>(first);
  auto width = static_cast<JDIMENSION>(last - first + 1);
  jpeg_crop_scanline(&info_, &offset, &width);
  firstColumn_ = static_cast<int>(offset);
  deliveredWidth_ = static_cast<int>(width);
  if (!cmyk_.empty()) {
    cmyk_.resize(static_cast<std::size_t>(width) * 4);
  }
}

// Skipped rows are entropy-decoded (they must be) but not transformed or converted.
GpStatus JpegRows::skipRows(int count) {
  if (setjmp(error_.jump)) {
    return GpStatus::genericError;
  }
  if (count > 0 && jpeg_skip_scanlines(&info_, static_cast<JDIMENSION>(count)) !=
                       static_cast<JDIMENSION>(count)) {
    return GpStatus::genericError;
  }
  return dataEnded() ? GpStatus::genericError : GpStatus::ok;
}

GpStatus JpegRows::readRow(std::uint8_t* rgb) {
  if (setjmp(error_.jump)) {
    return GpStatus::genericError;
  }
  JSAMPROW row = cmyk_.empty() ? rgb : cmyk_.data();
  if (info_.output_scanline >= info_.output_height || jpeg_read_scanlines(&info_, &row, 1) != 1) {
    return GpStatus::genericError;
  }
  // Rows decoded after the data ran out are filler, not the picture.
  if (dataEnded()) {
    return GpStatus::genericError;
  }
  if (!cmyk_.empty()) {
    cmykRowToRgb(rgb);
  }
  return GpStatus::ok;
}

// Adobe writes CMYK inverted (0 is full ink); others write it plain.
void JpegRows::cmykRowToRgb(std::uint8_t* rgb) const {
  for (int x = 0; x < deliveredWidth(); ++x) {
    const std::uint8_t* ink = &cmyk_[static_cast<std::size_t>(x) * 4];
    unsigned c = adobeCmyk_ ? ink[0] : 255u - ink[0];
    unsigned m = adobeCmyk_ ? ink[1] : 255u - ink[1];
    unsigned y = adobeCmyk_ ? ink[2] : 255u - ink[2];
    unsigned k = adobeCmyk_ ? ink[3] : 255u - ink[3];
    rgb[3 * x] = static_cast<std::uint8_t>((c * k + 127) / 255);
    rgb[3 * x + 1] = static_cast<std::uint8_t>((m * k + 127) / 255);
    rgb[3 * x + 2] = static_cast<std::uint8_t>((y * k + 127) / 255);
  }
}

}  // namespace

GpStatus readJpegSize(FileReader& file, ImageSize& size) {
  JpegRows rows(file);
  return rows.readHeader(size);
}

namespace {

GpStatus openSingleThreaded(std::unique_ptr<JpegRows> jpeg, int minWidth, int minHeight,
                            std::unique_ptr<RowSource>& rows) {
  ImageSize size;
  GpStatus status = jpeg->readHeader(size);
  if (status == GpStatus::ok) {
    status = jpeg->start(minWidth, minHeight);
  }
  if (status == GpStatus::ok) {
    rows = std::move(jpeg);
  }
  return status;
}

}  // namespace

GpStatus openJpegRows(FileReader& file, int minWidth, int minHeight,
                      std::unique_ptr<RowSource>& rows) {
  return openJpegRows(file, minWidth, minHeight, rows, ParallelJpegTuning{});
}

GpStatus openJpegRows(FileReader& file, int minWidth, int minHeight,
                      std::unique_ptr<RowSource>& rows, const ParallelJpegTuning& tuning) {
  std::uint64_t start = file.position();
  auto jpeg = std::make_unique<JpegRows>(file);
  ImageSize size;
  GpStatus status = jpeg->readHeader(size);
  if (status != GpStatus::ok) {
    return status;
  }
  int fd = file.fd();
  auto fallback = [fd, start, minWidth, minHeight](std::unique_ptr<RowSource>& fallbackRows) {
    auto reader = std::make_unique<FileReader>(fd);
    reader->seek(start);
    return openSingleThreaded(std::make_unique<JpegRows>(std::move(reader)), minWidth, minHeight,
                              fallbackRows);
  };
  if (auto parallel = jpeg->openParallel(minWidth, minHeight, fallback, tuning)) {
    rows = std::move(parallel);
    return GpStatus::ok;
  }
  status = jpeg->start(minWidth, minHeight);
  if (status == GpStatus::ok) {
    rows = std::move(jpeg);
  }
  return status;
}

}  // namespace pixoria::platform::imaging
