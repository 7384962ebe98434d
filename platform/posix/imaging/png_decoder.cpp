// PNG through libpng: every colour type and depth expanded to 8-bit RGB(A), alpha composited onto
// black. Plain files stream row by row; interlaced ones need the whole image, within a cap.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

#include "imaging/decoders.h"
#include "imaging/image_limits.h"

namespace pixoria::platform::imaging {
namespace {

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

void failPng(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void ignoreWarning(png_structp, png_const_charp) {}

void readFromFile(png_structp png, png_bytep data, std::size_t size) {
  auto* file = static_cast<FileReader*>(png_get_io_ptr(png));
  if (file->read(data, size) != size) {
    png_error(png, "truncated");
  }
}

class PngRows final : public RowSource {
 public:
  explicit PngRows(FileReader& file) : file_(file) {}
  ~PngRows() override {
    if (png_) {
      png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
    }
  }
  PngRows(const PngRows&) = delete;
  PngRows& operator=(const PngRows&) = delete;

  GpStatus start();
  GpStatus readRow(std::uint8_t* rgb) override;

 private:
  GpStatus prepare();
  GpStatus readWholeImage();
  bool readStreamedRow();
  void deliver(const std::uint8_t* row, std::uint8_t* rgb) const;

  FileReader& file_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  int channels_ = 3;
  std::size_t rowBytes_ = 0;
  std::vector<std::uint8_t> row_;
  std::vector<std::uint8_t> whole_;  // only for interlaced files
  std::vector<png_bytep> wholeRows_;
  int nextRow_ = 0;
};

GpStatus PngRows::start() {
  png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failPng, ignoreWarning);
  if (!png_) {
    return GpStatus::outOfMemory;
  }
  info_ = png_create_info_struct(png_);
  if (!info_) {
    return GpStatus::outOfMemory;
  }
  GpStatus status = prepare();
  if (status != GpStatus::ok) {
    return status;
  }
  row_.resize(rowBytes_);
  if (png_get_interlace_type(png_, info_) != PNG_INTERLACE_NONE) {
    return readWholeImage();
  }
  return GpStatus::ok;
}

GpStatus PngRows::prepare() {
  if (setjmp(png_jmpbuf(png_))) {
    return GpStatus::genericError;
  }
  png_set_read_fn(png_, &file_, readFromFile);
  png_set_user_limits(png_, kMaxImageSide, kMaxImageSide);
  png_read_info(png_, info_);
  png_uint_32 width = png_get_image_width(png_, info_);
  png_uint_32 height = png_get_image_height(png_, info_);
  if (!sizeWithinLimits(width, height)) {
    return GpStatus::outOfMemory;
  }
  png_set_expand(png_);  // palette to RGB, low-depth grey to 8 bits, tRNS to alpha
  png_set_scale_16(png_);
  png_set_gray_to_rgb(png_);
  if (png_get_interlace_type(png_, info_) != PNG_INTERLACE_NONE) {
    png_set_interlace_handling(png_);
  }
  png_read_update_info(png_, info_);
  channels_ = png_get_channels(png_, info_);
  rowBytes_ = png_get_rowbytes(png_, info_);
  if ((channels_ != 3 && channels_ != 4) ||
      rowBytes_ != static_cast<std::size_t>(width) * channels_) {
    return GpStatus::genericError;
  }
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);
  return GpStatus::ok;
}

GpStatus PngRows::readWholeImage() {
  if (rowBytes_ * static_cast<std::size_t>(height_) > kMaxWholeImageBytes) {
    return GpStatus::outOfMemory;
  }
  whole_.assign(rowBytes_ * static_cast<std::size_t>(height_), 0);
  wholeRows_.resize(static_cast<std::size_t>(height_));
  for (int y = 0; y < height_; ++y) {
    wholeRows_[static_cast<std::size_t>(y)] = &whole_[static_cast<std::size_t>(y) * rowBytes_];
  }
  if (setjmp(png_jmpbuf(png_))) {
    return GpStatus::genericError;
  }
  png_read_image(png_, wholeRows_.data());
  return GpStatus::ok;
}

GpStatus PngRows::readRow(std::uint8_t* rgb) {
  if (nextRow_ >= height_) {
    return GpStatus::genericError;
  }
  const std::uint8_t* row = row_.data();
  if (!whole_.empty()) {
    row = &whole_[static_cast<std::size_t>(nextRow_) * rowBytes_];
  } else if (!readStreamedRow()) {
    return GpStatus::genericError;
  }
  ++nextRow_;
  deliver(row, rgb);
  return GpStatus::ok;
}

bool PngRows::readStreamedRow() {
  if (setjmp(png_jmpbuf(png_))) {
    return false;
  }
  png_read_row(png_, row_.data(), nullptr);
  return true;
}

void PngRows::deliver(const std::uint8_t* row, std::uint8_t* rgb) const {
  if (channels_ == 4) {
    compositeRgbaOverBlack(row, rgb, width_);
  } else {
    std::memcpy(rgb, row, static_cast<std::size_t>(width_) * 3);
  }
}

}  // namespace

// The size sits at a fixed place: the signature, then the IHDR chunk.
GpStatus readPngSize(FileReader& file, ImageSize& size) {
  std::uint8_t head[24];
  if (!file.readAt(0, head, sizeof head)) {
    return GpStatus::genericError;
  }
  if (std::memcmp(head + 12, "IHDR", 4) != 0) {
    return GpStatus::genericError;
  }
  size = {bigEndian32(head + 16), bigEndian32(head + 20)};
  if (size.width == 0 || size.height == 0) {
    return GpStatus::genericError;
  }
  return sizeWithinLimits(size.width, size.height) ? GpStatus::ok : GpStatus::outOfMemory;
}

GpStatus openPngRows(FileReader& file, std::unique_ptr<RowSource>& rows) {
  auto png = std::make_unique<PngRows>(file);
  GpStatus status = png->start();
  if (status == GpStatus::ok) {
    rows = std::move(png);
  }
  return status;
}

}  // namespace pixoria::platform::imaging
