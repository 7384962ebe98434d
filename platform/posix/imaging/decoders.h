// The image formats read by content, and the decoders behind them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "imaging/file_reader.h"
#include "imaging/parallel_jpeg_rows.h"
#include "imaging/row_source.h"

namespace pixoria::platform::imaging {

enum class ImageFormat { jpeg, png, gif, bmp, webp };

struct ImageSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// Recognises a format from the first bytes of a file (16 are enough), whatever its name.
std::optional<ImageFormat> sniffImageFormat(const std::uint8_t* head, std::size_t size);

// Reads only the header: the size the image declares, checked against the limits.
GpStatus readImageSize(ImageFormat format, FileReader& file, ImageSize& size);

// Starts decoding from the beginning of the file. A decoder that can shrink on load delivers rows
// no smaller than minWidth x minHeight (and no larger than the image).
GpStatus openImageRows(ImageFormat format, FileReader& file, int minWidth, int minHeight,
                       std::unique_ptr<RowSource>& rows);

// One pair per format.
GpStatus readJpegSize(FileReader& file, ImageSize& size);
GpStatus openJpegRows(FileReader& file, int minWidth, int minHeight,
                      std::unique_ptr<RowSource>& rows);
// The same, with the threaded decoder's work cut as `tuning` says (tests cut small images).
GpStatus openJpegRows(FileReader& file, int minWidth, int minHeight,
                      std::unique_ptr<RowSource>& rows, const ParallelJpegTuning& tuning);
GpStatus readPngSize(FileReader& file, ImageSize& size);
GpStatus openPngRows(FileReader& file, std::unique_ptr<RowSource>& rows);
GpStatus readGifSize(FileReader& file, ImageSize& size);
GpStatus openGifRows(FileReader& file, std::unique_ptr<RowSource>& rows);
GpStatus readBmpSize(FileReader& file, ImageSize& size);
GpStatus openBmpRows(FileReader& file, std::unique_ptr<RowSource>& rows);
GpStatus readWebpSize(FileReader& file, ImageSize& size);
GpStatus openWebpRows(FileReader& file, int minWidth, int minHeight,
                      std::unique_ptr<RowSource>& rows);

}  // namespace pixoria::platform::imaging
