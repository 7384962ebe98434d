// WebP through libwebp, which scales while decoding; the premultiplied output is the colour over
// black. Still images only.
#include <webp/decode.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/decoders.h"
#include "imaging/image_limits.h"

namespace pixoria::platform::imaging {
namespace {

// WebPBitstreamFeatures::format of a lossless (VP8L) bitstream.
constexpr int kLosslessFormat = 2;

class WebpRows final : public RowSource {
 public:
  WebpRows(int width, int height, std::vector<std::uint8_t> rgba) : rgba_(std::move(rgba)) {
    width_ = width;
    height_ = height;
  }

  GpStatus readRow(std::uint8_t* rgb) override {
    if (nextRow_ >= height_) {
      return GpStatus::genericError;
    }
    const std::uint8_t* row =
        &rgba_[static_cast<std::size_t>(nextRow_++) * static_cast<std::size_t>(width_) * 4];
    for (int x = 0; x < width_; ++x) {
      std::copy(row + 4 * x, row + 4 * x + 3, rgb + 3 * x);
    }
    return GpStatus::ok;
  }

 private:
  std::vector<std::uint8_t> rgba_;
  int nextRow_ = 0;
};

GpStatus readFeatures(const std::vector<std::uint8_t>& data, WebPBitstreamFeatures& features) {
  switch (WebPGetFeatures(data.data(), data.size(), &features)) {
    case VP8_STATUS_OK:
      break;
    case VP8_STATUS_OUT_OF_MEMORY:
      return GpStatus::outOfMemory;
    default:
      return GpStatus::genericError;
  }
  if (features.has_animation) {
    return GpStatus::notImplemented;
  }
  const auto width = static_cast<std::uint32_t>(features.width),
             height = static_cast<std::uint32_t>(features.height);
  if (!sizeWithinLimits(width, height)) {
    return GpStatus::outOfMemory;
  }
  // libwebp keeps a lossless image whole, four bytes a pixel, before it scales: a few hundred
  // bytes declaring 16383 x 16383 would cost a gigabyte.
  if (features.format == kLosslessFormat &&
      std::uint64_t{width} * height * 4 > kMaxWholeImageBytes) {
    return GpStatus::outOfMemory;
  }
  return GpStatus::ok;
}

}  // namespace

GpStatus readWebpSize(FileReader& file, ImageSize& size) {
  std::vector<std::uint8_t> head(std::min<std::uint64_t>(file.size(), 64 * 1024));
  if (!file.readAt(0, head.data(), head.size())) {
    return GpStatus::genericError;
  }
  WebPBitstreamFeatures features{};
  GpStatus status = readFeatures(head, features);
  if (status == GpStatus::ok) {
    size = {static_cast<std::uint32_t>(features.width),
            static_cast<std::uint32_t>(features.height)};
  }
  return status;
}

GpStatus openWebpRows(FileReader& file, int minWidth, int minHeight,
                      std::unique_ptr<RowSource>& rows) {
  if (file.size() > kMaxWebpFileBytes) {
    return GpStatus::outOfMemory;
  }
  std::vector<std::uint8_t> data(file.size());
  if (!file.readAt(0, data.data(), data.size())) {
    return GpStatus::genericError;
  }
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) {
    return GpStatus::genericError;
  }
  GpStatus status = readFeatures(data, config.input);
  if (status != GpStatus::ok) {
    return status;
  }

  int width = config.input.width, height = config.input.height;
  double scale =
      std::max(static_cast<double>(minWidth) / width, static_cast<double>(minHeight) / height);
  if (scale < 1) {
    config.options.use_scaling = 1;
    config.options.scaled_width = width = std::max(1, static_cast<int>(std::ceil(width * scale)));
    config.options.scaled_height = height =
        std::max(1, static_cast<int>(std::ceil(height * scale)));
  }
  if (static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4 >
      kMaxWholeImageBytes) {
    return GpStatus::outOfMemory;
  }
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) *
                                 static_cast<std::size_t>(height) * 4);
  config.output.colorspace = MODE_rgbA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = rgba.data();
  config.output.u.RGBA.stride = width * 4;
  config.output.u.RGBA.size = rgba.size();
  VP8StatusCode decoded = WebPDecode(data.data(), data.size(), &config);
  WebPFreeDecBuffer(&config.output);
  if (decoded != VP8_STATUS_OK) {
    return GpStatus::genericError;
  }
  rows = std::make_unique<WebpRows>(width, height, std::move(rgba));
  return GpStatus::ok;
}

}  // namespace pixoria::platform::imaging
