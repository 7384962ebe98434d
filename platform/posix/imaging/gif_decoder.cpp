// GIF through giflib: the first frame, placed on the logical screen; the transparent colour and
// everything outside the frame are black.
#include <gif_lib.h>

#include <vector>

#include "imaging/decoders.h"
#include "imaging/image_limits.h"

namespace pixoria::platform::imaging {
namespace {

int readFromFile(GifFileType* gif, GifByteType* data, int size) {
  auto* file = static_cast<FileReader*>(gif->UserData);
  return size <= 0 ? 0 : static_cast<int>(file->read(data, static_cast<std::size_t>(size)));
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

struct Frame {
  int left = 0, top = 0, width = 0, height = 0;
  int transparent = -1;
  std::vector<GifColorType> palette;
  std::vector<std::uint8_t> indices;
};

// Reads extension blocks, keeping the transparent index of the graphic control extension.
bool readExtension(GifFileType* gif, Frame& frame) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) != GIF_OK) {
    return false;
  }
  while (block) {
    if (code == GRAPHICS_EXT_FUNC_CODE && block[0] >= 4 && (block[1] & 1)) {
      frame.transparent = block[4];
    }
    if (DGifGetExtensionNext(gif, &block) != GIF_OK) {
      return false;
    }
  }
  return true;
}

GpStatus readFrame(GifFileType* gif, Frame& frame) {
  if (DGifGetImageDesc(gif) != GIF_OK) {
    return GpStatus::genericError;
  }
  const GifImageDesc& desc = gif->Image;
  const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  if (!map || desc.Width <= 0 || desc.Height <= 0) {
    return GpStatus::genericError;
  }
  if (static_cast<std::size_t>(desc.Width) * static_cast<std::size_t>(desc.Height) >
      kMaxWholeImageBytes) {
    return GpStatus::outOfMemory;
  }
  frame.left = desc.Left;
  frame.top = desc.Top;
  frame.width = desc.Width;
  frame.height = desc.Height;
  frame.palette.assign(map->Colors, map->Colors + map->ColorCount);
  frame.indices.resize(static_cast<std::size_t>(desc.Width) *
                       static_cast<std::size_t>(desc.Height));
  static constexpr int kStart[] = {0, 4, 2, 1};
  static constexpr int kStep[] = {8, 8, 4, 2};
  int passes = desc.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    int step = desc.Interlace ? kStep[pass] : 1;
    for (int y = desc.Interlace ? kStart[pass] : 0; y < desc.Height; y += step) {
      GifPixelType* row =
          &frame.indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(desc.Width)];
      if (DGifGetLine(gif, row, desc.Width) != GIF_OK) {
        return GpStatus::genericError;
      }
    }
  }
  return GpStatus::ok;
}

GpStatus readFirstFrame(GifFileType* gif, Frame& frame) {
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) != GIF_OK) {
      return GpStatus::genericError;
    }
    if (type == IMAGE_DESC_RECORD_TYPE) {
      return readFrame(gif, frame);
    }
    if (type == EXTENSION_RECORD_TYPE && readExtension(gif, frame)) {
      continue;
    }
    return GpStatus::genericError;
  }
}

class GifRows final : public RowSource {
 public:
  GifRows(int width, int height, Frame frame) : frame_(std::move(frame)) {
    width_ = width;
    height_ = height;
  }

  GpStatus readRow(std::uint8_t* rgb) override {
    if (nextRow_ >= height_) {
      return GpStatus::genericError;
    }
    std::fill(rgb, rgb + static_cast<std::size_t>(width_) * 3, std::uint8_t{0});
    int y = nextRow_++ - frame_.top;
    if (y < 0 || y >= frame_.height) {
      return GpStatus::ok;
    }
    const std::uint8_t* indices =
        &frame_.indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(frame_.width)];
    for (int x = 0; x < frame_.width; ++x) {
      int column = frame_.left + x;
      if (column >= width_) {
        break;
      }
      if (indices[x] == frame_.transparent || indices[x] >= frame_.palette.size()) {
        continue;
      }
      const GifColorType& colour = frame_.palette[indices[x]];
      rgb[3 * column] = colour.Red;
      rgb[3 * column + 1] = colour.Green;
      rgb[3 * column + 2] = colour.Blue;
    }
    return GpStatus::ok;
  }

 private:
  Frame frame_;
  int nextRow_ = 0;
};

}  // namespace

// The logical screen size follows the six-byte signature.
GpStatus readGifSize(FileReader& file, ImageSize& size) {
  std::uint8_t head[10];
  if (!file.readAt(0, head, sizeof head)) {
    return GpStatus::genericError;
  }
  size = {static_cast<std::uint32_t>(head[6] | head[7] << 8),
          static_cast<std::uint32_t>(head[8] | head[9] << 8)};
  if (size.width == 0 || size.height == 0) {
    return GpStatus::genericError;
  }
  return sizeWithinLimits(size.width, size.height) ? GpStatus::ok : GpStatus::outOfMemory;
}

GpStatus openGifRows(FileReader& file, std::unique_ptr<RowSource>& rows) {
  ImageSize size;
  GpStatus status = readGifSize(file, size);
  if (status != GpStatus::ok) {
    return status;
  }
  file.seek(0);
  int error = 0;
  GifPtr gif(DGifOpen(&file, readFromFile, &error));
  if (!gif) {
    return GpStatus::genericError;
  }
  Frame frame;
  status = readFirstFrame(gif.get(), frame);
  if (status != GpStatus::ok) {
    return status;
  }
  rows = std::make_unique<GifRows>(static_cast<int>(size.width), static_cast<int>(size.height),
                                   std::move(frame));
  return GpStatus::ok;
}

}  // namespace pixoria::platform::imaging
