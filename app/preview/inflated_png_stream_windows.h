// A PNG file as libpng reads it, with its image data inflated ahead on a thread of its own.
//
// libpng inflates the image data and unfilters its rows on the one thread that asks for them:
// for a 12000x5000 picture that is about 0.7 s of zlib, then 0.4 s of unfiltering, one after the
// other. Here a worker inflates the IDAT stream and hands libpng the same file with that data
// in deflate's stored (uncompressed) blocks, which libpng takes in by copying, so zlib and the
// unfiltering run side by side on two processors.
//
// The worker checks what libpng no longer can: every chunk's CRC (a critical chunk that fails
// ends the stream; an ancillary one is dropped, as libpng does). The stream ends after the image
// data, or where its deflate stream breaks or ends early; libpng then finds the rows missing.
// At most kMaxBlocks blocks are held between the two threads: 64 KiB of image data each, or a
// chunk from before it (at most 1 MiB; longer ancillary chunks are skipped).
#pragma once

#include <QString>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class InflatedPngStream {
 public:
  // Starts the worker on the file at `path`.
  explicit InflatedPngStream(const QString& path);
  // Stops the worker, wherever it is, and waits for it.
  ~InflatedPngStream();
  InflatedPngStream(const InflatedPngStream&) = delete;
  InflatedPngStream& operator=(const InflatedPngStream&) = delete;

  // Copies the stream's next `length` bytes to `data`. False when the stream ends first: the
  // file is short, a critical chunk's CRC is wrong, or the file cannot be read.
  bool read(std::uint8_t* data, std::size_t length);

  // Called by the worker: a block of which the first `size` bytes go on, and a block read
  // before, to fill again (or an empty one). Push is false once the reader has gone: the
  // worker stops.
  bool push(std::vector<std::uint8_t> bytes, std::size_t size);
  std::vector<std::uint8_t> spare();

 private:
  static constexpr std::size_t kMaxBlocks = 16;

  struct Block {
    std::vector<std::uint8_t> bytes;
    std::size_t size = 0;
  };

  void finish();

  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Block> blocks;
  std::vector<std::vector<std::uint8_t>> spares;
  bool ended = false;     // the worker has pushed its last block
  bool stopping = false;  // the reader has gone
  // The reader's own: the block being read and how far.
  Block current;
  std::size_t offset = 0;
  std::thread worker;
};
