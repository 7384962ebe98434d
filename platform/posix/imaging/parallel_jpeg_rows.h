// Baseline JPEG decoded on several threads: the scan's data is cut into pieces, each decoded
// apart from a byte offset (JpegPiece), the pieces linked where their decoders meet
// (JpegPieceLink), and the units assembled into rows in order on the caller's thread. Memory
// stays bounded: only a few pieces are decoded ahead of the rows being read.
//
// A scan the pieces cannot be linked through, or one with damaged or missing data where rows are
// needed, falls back to the single-threaded decoder from the row reached: the rows are the same
// picture either way, and the fallback's rules on damage apply.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "imaging/jpeg_error.h"
#include "imaging/row_source.h"

namespace pixoria::platform::imaging {

// Opens the single-threaded decoder at the same scale.
using JpegFallback = std::function<GpStatus(std::unique_ptr<RowSource>&)>;

// How the work is cut. The defaults suit photographs; tests cut small images into many pieces.
struct ParallelJpegTuning {
  std::uint64_t minScanBytes = 1 << 20;     // below this one thread decodes fast enough
  std::size_t pieceDecodedBytes = 1 << 20;  // decoded data each piece should hold
  int workers = 0;                          // 0: one per processor, up to 8
};

// For the scan libjpeg's header reading stopped at (its data starting at scanStart in the file
// open as `fd`), decoded at scale/8: the rows, or nothing when this decoder does not take it
// (progressive, small, one processor and the like).
std::unique_ptr<RowSource> openParallelJpegRows(int fd, std::uint64_t fileSize,
                                                const jpeg_decompress_struct& info,
                                                std::uint64_t scanStart, int scale,
                                                JpegFallback fallback,
                                                const ParallelJpegTuning& tuning = {});

}  // namespace pixoria::platform::imaging
