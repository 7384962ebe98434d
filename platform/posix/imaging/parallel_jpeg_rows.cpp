#include "imaging/parallel_jpeg_rows.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "imaging/file_reader.h"
#include "imaging/jpeg_piece.h"
#include "imaging/jpeg_piece_link.h"
#include "imaging/jpeg_scan_layout.h"
#include "imaging/jpeg_scan_plan.h"
#include "imaging/jpeg_unit_finisher.h"

namespace pixoria::platform::imaging {
namespace {

// The most decoded data a piece may hold: a piece of far denser units than the scan's average
// stops there, and the rows past it come from the fallback.
constexpr std::size_t kMaxPieceDecodedBytes = 16 << 20;
constexpr int kMaxPieces = 4096;
constexpr int kMaxWorkers = 8;
// What a decoder reads past its piece to meet the next one.
constexpr std::size_t kOverlapBytes = 64 * 1024;
// Rows of units finished ahead of the reader, per piece being worked on.
constexpr int kBandsPerPiece = 8;
constexpr std::int64_t kNoFailure = INT64_MAX;

// The pipeline. Workers decode pieces (a few ahead of the reader), and finish decoded pieces in
// order once linked: each unit's samples are DC corrected, clamped and converted to RGB straight
// into a ring of bands, one band per row of units. The reader hands out a band's rows once all
// its units are in.
class ParallelJpegRows final : public RowSource {
 public:
  ParallelJpegRows(int fd, JpegScanLayout layout, std::vector<std::uint64_t> cuts,
                   JpegFallback fallback, int workers);
  ~ParallelJpegRows() override;
  ParallelJpegRows(const ParallelJpegRows&) = delete;
  ParallelJpegRows& operator=(const ParallelJpegRows&) = delete;

  void startWorkers(int count);
  GpStatus readRow(std::uint8_t* rgb) override;

 private:
  struct Job {
    enum Kind { none, decode, finish, stop } kind = none;
    int piece = 0;
  };

  int pieceCount() const { return static_cast<int>(cuts_.size()) - 1; }
  int valuesPerMcu() const { return layout_.blocksPerMcu * (1 + layout_.scale * layout_.scale); }
  int rowsPerBand() const { return layout_.maxVertical * layout_.scale; }
  std::size_t bandBytes() const {
    return static_cast<std::size_t>(rgbWidth_) * 3 * static_cast<std::size_t>(rowsPerBand());
  }
  std::uint8_t* band(std::int64_t mcuRow) {
    return &bands_[static_cast<std::size_t>(mcuRow % bandCount_) * bandBytes()];
  }

  // Worker side; the functions named *Locked run with mutex_ held.
  void work();
  Job nextJobLocked();
  void decodePiece(int index, JpegPiece& piece);
  void linkLocked();
  void failLocked(std::int64_t mcu);
  void finishPiece(int index);
  bool waitForBandLocked(std::unique_lock<std::mutex>& lock, std::int64_t mcuRow);

  // Reader side.
  bool waitForBand(std::int64_t mcuRow);
  void releaseBand();
  GpStatus readFromFallback(std::uint8_t* rgb);

  int fd_;
  JpegScanLayout layout_;
  BlockTransforms transforms_;
  std::vector<std::uint64_t> cuts_;
  JpegFallback openFallback_;
  std::unique_ptr<RowSource> fallback_;
  int rgbWidth_ = 0;
  JpegUnitFinisher finisher_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::unique_ptr<JpegPiece>> pieces_;  // freed once finished
  std::vector<char> decoded_;
  std::vector<JpegPieceLink> links_;
  int linked_ = 1;        // pieces whose link is known; the first piece's is trivially so
  int usablePieces_ = 0;  // pieces up to the first that does not link
  int nextDecode_ = 0;
  int nextFinish_ = 0;
  int released_ = 0;
  int piecesAhead_ = 1;
  std::int64_t failedFrom_ = kNoFailure;  // the first unit this decoder cannot deliver
  std::atomic<bool> cancel_{false};
  std::vector<std::thread> workers_;

  std::vector<std::uint8_t> bands_;
  int bandCount_ = 0;
  std::vector<int> bandMcus_;  // units finished into each band
  std::int64_t readBands_ = 0;

  // The band being read, and rows handed out.
  const std::uint8_t* readingBand_ = nullptr;
  int rowsInBand_ = 0;
  int nextInBand_ = 0;
  int rowsDelivered_ = 0;
};

ParallelJpegRows::ParallelJpegRows(int fd, JpegScanLayout layout, std::vector<std::uint64_t> cuts,
                                   JpegFallback fallback, int workers)
    : fd_(fd),
      layout_(std::move(layout)),
      cuts_(std::move(cuts)),
      openFallback_(std::move(fallback)),
      finisher_(layout_) {
  width_ = layout_.outputWidth();
  height_ = layout_.outputHeight();
  for (int c = 0; c < layout_.componentCount; ++c) {
    transforms_.byComponent[static_cast<std::size_t>(c)] = std::make_unique<ScaledBlockTransform>(
        layout_.scale, layout_.components[static_cast<std::size_t>(c)].quant);
  }
  rgbWidth_ = layout_.mcusPerRow * layout_.maxHorizontal * layout_.scale;
  pieces_.resize(static_cast<std::size_t>(pieceCount()));
  decoded_.resize(static_cast<std::size_t>(pieceCount()));
  links_.resize(static_cast<std::size_t>(pieceCount()));
  usablePieces_ = pieceCount();
  piecesAhead_ = workers + 2;
  // Enough bands for the units of the pieces in flight, as the scan's average goes.
  std::int64_t rowsPerPiece = layout_.mcuRows / pieceCount() + 1;
  bandCount_ =
      static_cast<int>(std::min<std::int64_t>(layout_.mcuRows, rowsPerPiece * kBandsPerPiece + 2));
  bands_.resize(bandBytes() * static_cast<std::size_t>(bandCount_));
  bandMcus_.resize(static_cast<std::size_t>(bandCount_));
}

ParallelJpegRows::~ParallelJpegRows() {
  {
    std::lock_guard lock(mutex_);
    cancel_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) {
    worker.join();
  }
}

void ParallelJpegRows::startWorkers(int count) {
  for (int i = 0; i < count; ++i) {
    workers_.emplace_back([this] { work(); });
  }
}

void ParallelJpegRows::work() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return (job = nextJobLocked()).kind != Job::none; });
    }
    if (job.kind == Job::stop) {
      return;
    }
    if (job.kind == Job::finish) {
      finishPiece(job.piece);
      continue;
    }
    std::unique_ptr<JpegPiece> piece;
    try {
      piece = std::make_unique<JpegPiece>(valuesPerMcu());
      decodePiece(job.piece, *piece);
    } catch (...) {
      piece.reset();  // out of memory: nothing links to a missing piece
    }
    {
      std::lock_guard lock(mutex_);
      pieces_[static_cast<std::size_t>(job.piece)] = std::move(piece);
      decoded_[static_cast<std::size_t>(job.piece)] = true;
      linkLocked();
    }
    changed_.notify_all();
  }
}

// Finishing comes first, in order, so rows flow and decoded pieces do not pile up; decoding
// stays a few pieces ahead of the last finished one.
ParallelJpegRows::Job ParallelJpegRows::nextJobLocked() {
  if (cancel_ || nextFinish_ >= usablePieces_ || failedFrom_ != kNoFailure) {
    return {Job::stop};
  }
  int k = nextFinish_;
  bool isLast = k + 1 == usablePieces_;
  bool endKnown =
      k + 1 < linked_ || (isLast && k < linked_ && decoded_[static_cast<std::size_t>(k)]);
  if (endKnown) {
    return {Job::finish, nextFinish_++};
  }
  if (nextDecode_ < usablePieces_ && nextDecode_ < released_ + piecesAhead_) {
    return {Job::decode, nextDecode_++};
  }
  return {};
}

void ParallelJpegRows::decodePiece(int index, JpegPiece& piece) {
  std::uint64_t begin = cuts_[static_cast<std::size_t>(index)];
  std::uint64_t ownEnd = cuts_[static_cast<std::size_t>(index) + 1];
  std::uint64_t end = std::min(ownEnd + kOverlapBytes, cuts_.back());
  piece.bytes.resize(static_cast<std::size_t>(end - begin));
  if (readFileAt(fd_, begin, piece.bytes.data(), piece.bytes.size()) != piece.bytes.size()) {
    return;
  }
  if (index + 1 < pieceCount()) {
    std::size_t own = static_cast<std::size_t>(ownEnd - begin);
    piece.ownBits =
        8 * static_cast<std::uint64_t>(own - countStuffedBytes(piece.bytes.data(), own));
  }
  std::int64_t cap = static_cast<std::int64_t>(kMaxPieceDecodedBytes / piece.mcus.bytesPerMcu());
  piece.maxMcus =
      std::min(cap, layout_.mcuCount() + static_cast<std::int64_t>(JpegPiece::kTailMcus));
  decodeJpegPiece(layout_, transforms_, piece, cancel_);
  piece.bytes = {};
}

// Links every piece whose predecessor is linked and which both are decoded. Where a piece does
// not link (damaged data, or data after the last unit), the one before it becomes the last: it
// serves as far as its own decoding can be trusted.
void ParallelJpegRows::linkLocked() {
  while (linked_ < usablePieces_ && decoded_[static_cast<std::size_t>(linked_ - 1)] &&
         decoded_[static_cast<std::size_t>(linked_)]) {
    const JpegPiece* before = pieces_[static_cast<std::size_t>(linked_ - 1)].get();
    const JpegPiece* after = pieces_[static_cast<std::size_t>(linked_)].get();
    if (before == nullptr || after == nullptr ||
        !linkJpegPieces(*before, links_[static_cast<std::size_t>(linked_ - 1)], *after,
                        links_[static_cast<std::size_t>(linked_)])) {
      usablePieces_ = linked_;
      for (std::size_t k = static_cast<std::size_t>(linked_); k < pieces_.size(); ++k) {
        pieces_[k].reset();
      }
      return;
    }
    ++linked_;
  }
}

void ParallelJpegRows::failLocked(std::int64_t mcu) {
  failedFrom_ = std::min(failedFrom_, mcu);
}

bool ParallelJpegRows::waitForBandLocked(std::unique_lock<std::mutex>& lock, std::int64_t mcuRow) {
  changed_.wait(lock, [&] { return cancel_ || mcuRow < readBands_ + bandCount_; });
  return !cancel_;
}

// Writes the piece's units from its first to the next piece's first into the bands, a row of
// units at a time; a unit it cannot trust ends the decoder's rows there.
void ParallelJpegRows::finishPiece(int index) {
  JpegPiece* piece;
  JpegPieceLink link;
  std::int64_t end = layout_.mcuCount();
  {
    std::lock_guard lock(mutex_);
    piece = pieces_[static_cast<std::size_t>(index)].get();
    link = links_[static_cast<std::size_t>(index)];
    if (index + 1 < usablePieces_) {
      end = std::min(end, links_[static_cast<std::size_t>(index) + 1].firstMcu);
    }
  }
  std::int64_t trusted =
      piece ? link.base + trustedMcuLimit(*piece, link.firstMcu - link.base) : link.firstMcu;
  std::int64_t mcu = link.firstMcu;
  const std::int64_t perRow = layout_.mcusPerRow;
  while (mcu < std::min(end, trusted)) {
    std::int64_t row = mcu / perRow;
    std::int64_t rowEnd = std::min({end, trusted, (row + 1) * perRow});
    {
      std::unique_lock lock(mutex_);
      if (!waitForBandLocked(lock, row)) {
        return;
      }
    }
    int count = static_cast<int>(rowEnd - mcu);
    std::uint8_t* out = band(row) + static_cast<std::size_t>(mcu % perRow) * finisher_.unitBytes();
    finisher_.finish(*piece, link, mcu, rowEnd, out, static_cast<std::size_t>(rgbWidth_) * 3);
    mcu = rowEnd;
    bool whole = false;
    {
      std::lock_guard lock(mutex_);
      whole = (bandMcus_[static_cast<std::size_t>(row % bandCount_)] += count) == perRow;
    }
    if (whole) {
      changed_.notify_all();  // the reader waits for whole bands only
    }
  }
  {
    std::lock_guard lock(mutex_);
    if (trusted < end) {
      failLocked(trusted);
    }
    pieces_[static_cast<std::size_t>(index)].reset();
    ++released_;
  }
  changed_.notify_all();
}

// Waits until the band of unit row `mcuRow` is whole; false when it never will be.
bool ParallelJpegRows::waitForBand(std::int64_t mcuRow) {
  std::unique_lock lock(mutex_);
  const std::int64_t perRow = layout_.mcusPerRow;
  changed_.wait(lock, [&] {
    return bandMcus_[static_cast<std::size_t>(mcuRow % bandCount_)] == perRow ||
           failedFrom_ < (mcuRow + 1) * perRow;
  });
  return bandMcus_[static_cast<std::size_t>(mcuRow % bandCount_)] == perRow;
}

void ParallelJpegRows::releaseBand() {
  {
    std::lock_guard lock(mutex_);
    bandMcus_[static_cast<std::size_t>(readBands_ % bandCount_)] = 0;
    ++readBands_;
  }
  changed_.notify_all();
}

GpStatus ParallelJpegRows::readFromFallback(std::uint8_t* rgb) {
  if (!fallback_) {
    GpStatus status = openFallback_(fallback_);
    if (status != GpStatus::ok) {
      return status;
    }
    if (fallback_->width() != width_ || fallback_->height() != height_ ||
        fallback_->deliveredWidth() != width_) {
      return GpStatus::genericError;
    }
    status = fallback_->skipRows(rowsDelivered_);
    if (status != GpStatus::ok) {
      return status;
    }
  }
  return fallback_->readRow(rgb);
}

GpStatus ParallelJpegRows::readRow(std::uint8_t* rgb) {
  if (rowsDelivered_ >= height_) {
    return GpStatus::genericError;
  }
  if (fallback_ != nullptr) {
    return readFromFallback(rgb);
  }
  if (nextInBand_ == rowsInBand_) {
    if (readingBand_ != nullptr) {
      releaseBand();
    }
    if (!waitForBand(readBands_)) {
      return readFromFallback(rgb);
    }
    readingBand_ = band(readBands_);
    rowsInBand_ = std::min(rowsPerBand(), height_ - rowsDelivered_);
    nextInBand_ = 0;
  }
  const std::uint8_t* row = readingBand_ + static_cast<std::size_t>(nextInBand_++) *
                                               static_cast<std::size_t>(rgbWidth_) * 3;
  std::copy(row, row + static_cast<std::size_t>(width_) * 3, rgb);
  ++rowsDelivered_;
  return GpStatus::ok;
}

int workerCount(const ParallelJpegTuning& tuning) {
  unsigned processors = tuning.workers > 0 ? static_cast<unsigned>(tuning.workers)
                                           : std::thread::hardware_concurrency();
  return static_cast<int>(std::min(processors, static_cast<unsigned>(kMaxWorkers)));
}

}  // namespace

std::unique_ptr<RowSource> openParallelJpegRows(int fd, std::uint64_t fileSize,
                                                const jpeg_decompress_struct& info,
                                                std::uint64_t scanStart, int scale,
                                                JpegFallback fallback,
                                                const ParallelJpegTuning& tuning) try {
  int workers = workerCount(tuning);
  if (workers < 2 || scale > kMaxTransformScale || scanStart + tuning.minScanBytes > fileSize) {
    return nullptr;
  }
  std::optional<JpegScanLayout> layout = describeBaselineScan(info, scale);
  if (!layout) {
    return nullptr;
  }
  std::uint64_t scanEnd = findScanEnd(fd, scanStart, fileSize);
  if (scanEnd - scanStart < tuning.minScanBytes) {
    return nullptr;
  }
  std::size_t decodedBytes = static_cast<std::size_t>(layout->mcuCount()) *
                             static_cast<std::size_t>(layout->blocksPerMcu) *
                             static_cast<std::size_t>(1 + scale * scale) * sizeof(std::int16_t);
  int pieces = static_cast<int>(
      std::clamp<std::size_t>(decodedBytes / std::max<std::size_t>(tuning.pieceDecodedBytes, 1),
                              static_cast<std::size_t>(2 * workers), kMaxPieces));
  auto rows = std::make_unique<ParallelJpegRows>(fd, std::move(*layout),
                                                 cutScan(fd, scanStart, scanEnd, pieces),
                                                 std::move(fallback), workers);
  rows->startWorkers(workers);
  return rows;
} catch (...) {
  return nullptr;  // no memory or no threads: the single-threaded decoder does it
}

}  // namespace pixoria::platform::imaging
