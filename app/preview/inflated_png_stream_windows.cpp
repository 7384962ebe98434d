#include "preview/inflated_png_stream_windows.h"

#include <zlib.h>

#include <QFile>
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

constexpr std::size_t kSignatureSize = 8;
constexpr std::size_t kStoredBlockMax = 65535;  // deflate's largest stored block
constexpr std::size_t kReadPiece = 65536;
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;
// A chunk before the image data is held whole until its CRC is checked; one longer than this
// (no chunk the preview uses comes near it: IHDR, PLTE, tRNS) is skipped, or ends the stream
// when it is critical.
constexpr std::uint32_t kMaxPassedChunk = 1 << 20;

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

void writeBigEndian32(std::uint8_t* out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    *out++ = static_cast<std::uint8_t>(value >> shift);
  }
}

bool readExactly(QFile& file, std::uint8_t* data, std::size_t size) {
  return file.read(reinterpret_cast<char*>(data), static_cast<qint64>(size)) ==
         static_cast<qint64>(size);
}

// Writes the inflated image data as IDAT chunks of one stored block each, a zlib header first
// and, at the end, an empty final block, the Adler-32 and IEND. The inflater writes straight
// into the chunk being built. The chunks' CRCs are left zero: libpng is told not to check them.
class StoredIdatWriter {
 public:
  explicit StoredIdatWriter(InflatedPngStream& sink) : sink(sink) { begin(); }

  // Where the inflater writes, and how much room is left there.
  std::uint8_t* room() { return chunk.data() + dataStart + filled; }
  std::size_t roomLeft() const { return kStoredBlockMax - filled; }

  // Takes `written` bytes the inflater put in room(); a full block goes out as a chunk.
  bool commit(std::size_t written) {
    filled += written;
    return filled < kStoredBlockMax || send(false);
  }

  bool close(std::uint32_t adler) { return (filled == 0 || send(false)) && send(true, adler); }

 private:
  void begin() {
    chunk = sink.spare();
    dataStart = 8 + (started ? 0 : 2) + 5;
    chunk.resize(dataStart + kStoredBlockMax + 4);
    filled = 0;
  }

  // The chunk holding the `filled` bytes; the final one holds an empty final block, the
  // Adler-32, and IEND after it.
  bool send(bool final, std::uint32_t adler = 0) {
    std::uint8_t* at = chunk.data();
    writeBigEndian32(at, static_cast<std::uint32_t>(dataStart - 8 + filled + (final ? 4 : 0)));
    std::memcpy(at + 4, "IDAT", 4);
    at += 8;
    if (!started) {
      *at++ = 0x78;  // deflate, 32 KiB window,
      *at++ = 0x01;  // no dictionary
      started = true;
    }
    *at++ = final ? 1 : 0;
    *at++ = static_cast<std::uint8_t>(filled & 0xFF);
    *at++ = static_cast<std::uint8_t>(filled >> 8);
    *at++ = static_cast<std::uint8_t>(~filled & 0xFF);
    *at++ = static_cast<std::uint8_t>((~filled >> 8) & 0xFF);
    at += filled;
    if (final) {
      writeBigEndian32(at, adler);
      at += 4;
    }
    std::memset(at, 0, 4);  // the CRC
    at += 4;
    if (final) {
      static constexpr std::array<std::uint8_t, 12> kIend = {0,   0,   0,    0,    'I',  'E',
                                                             'N', 'D', 0xAE, 0x42, 0x60, 0x82};
      at = std::copy(kIend.begin(), kIend.end(), at);
    }
    const auto size = static_cast<std::size_t>(at - chunk.data());
    if (!sink.push(std::move(chunk), size)) {
      return false;
    }
    begin();
    return true;
  }

  InflatedPngStream& sink;
  std::vector<std::uint8_t> chunk;
  std::size_t dataStart = 0;
  std::size_t filled = 0;
  bool started = false;
};

struct Inflater {
  // The stream's Adler-32 goes unchecked: it costs a tenth of the inflating, on the thread that
  // sets the pace, and libpng took a wrong one found after the last row as a mere warning.
  Inflater() { ready = inflateInit(&stream) == Z_OK && inflateValidate(&stream, 0) == Z_OK; }
  ~Inflater() { inflateEnd(&stream); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  z_stream stream{};
  bool ready = false;
  bool done = false;  // the deflate stream ended, or broke: the rest is not inflated
};

// Inflates `size` bytes of IDAT data into the writer.
bool inflateInto(Inflater& inflater, const std::uint8_t* data, std::size_t size,
                 StoredIdatWriter& writer) {
  z_stream& stream = inflater.stream;
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(size);
  while (stream.avail_in > 0 && !inflater.done) {
    stream.next_out = writer.room();
    stream.avail_out = static_cast<uInt>(writer.roomLeft());
    const int result = inflate(&stream, Z_NO_FLUSH);
    inflater.done = result != Z_OK;
    if (!writer.commit(writer.roomLeft() - stream.avail_out)) {
      return false;
    }
  }
  return true;
}

enum class ChunkRead { whole, wrongCrc, failed };

// Reads a chunk's data and CRC in pieces: each piece goes to `take`. Failed when the file is
// short or `take` refuses.
template <typename Take>
ChunkRead readChunkData(QFile& file, const std::uint8_t* header, std::uint32_t length, Take take) {
  std::vector<std::uint8_t> piece(std::min<std::size_t>(length, kReadPiece));
  uLong crc = crc32(0, header + 4, 4);
  for (std::uint32_t left = length; left > 0;) {
    const std::size_t size = std::min<std::size_t>(left, piece.size());
    if (!readExactly(file, piece.data(), size)) {
      return ChunkRead::failed;
    }
    crc = crc32(crc, piece.data(), static_cast<uInt>(size));
    if (!take(piece.data(), size)) {
      return ChunkRead::failed;
    }
    left -= static_cast<std::uint32_t>(size);
  }
  std::array<std::uint8_t, 4> stored{};
  if (!readExactly(file, stored.data(), stored.size())) {
    return ChunkRead::failed;
  }
  return bigEndian32(stored.data()) == crc ? ChunkRead::whole : ChunkRead::wrongCrc;
}

bool isAncillary(const std::uint8_t* header) {
  return (header[4] & 0x20) != 0;
}

// A chunk before the image data, passed on whole when its CRC holds. An ancillary chunk whose
// CRC is wrong, or that is too long to hold, is dropped; false for a critical one (or a short
// file).
bool passChunk(QFile& file, const std::uint8_t* header, std::uint32_t length,
               InflatedPngStream& sink) {
  if (length > kMaxPassedChunk) {
    return isAncillary(header) &&
           readChunkData(file, header, length, [](const std::uint8_t*, std::size_t) {
             return true;
           }) != ChunkRead::failed;
  }
  std::vector<std::uint8_t> chunk(header, header + 8);
  const ChunkRead read =
      readChunkData(file, header, length, [&](const std::uint8_t* data, std::size_t size) {
        chunk.insert(chunk.end(), data, data + size);
        return true;
      });
  if (read == ChunkRead::wrongCrc && isAncillary(header)) {
    return true;
  }
  if (read != ChunkRead::whole) {
    return false;
  }
  chunk.insert(chunk.end(), 4, 0);  // the CRC, checked here
  const std::size_t size = chunk.size();
  return sink.push(std::move(chunk), size);
}

// The file's chunks up to the image data passed on, the image data inflated into stored
// blocks, then the end. False when the stream cannot go on: the reader then sees it end short.
bool transcribe(QFile& file, InflatedPngStream& sink) {
  std::vector<std::uint8_t> signature(kSignatureSize);
  if (!readExactly(file, signature.data(), signature.size()) ||
      !sink.push(signature, signature.size())) {
    return false;
  }
  Inflater inflater;
  if (!inflater.ready) {
    return false;
  }
  StoredIdatWriter writer(sink);
  bool inImageData = false;
  std::array<std::uint8_t, 8> header{};
  while (readExactly(file, header.data(), header.size())) {
    const std::uint32_t length = bigEndian32(header.data());
    const bool isIdat = std::memcmp(header.data() + 4, "IDAT", 4) == 0;
    if (length > kMaxChunkLength) {
      return false;
    }
    if (!isIdat && inImageData) {
      break;
    }
    if (!isIdat) {
      if (!passChunk(file, header.data(), length, sink)) {
        return false;
      }
      continue;
    }
    inImageData = true;
    const ChunkRead read =
        readChunkData(file, header.data(), length, [&](const std::uint8_t* data, std::size_t size) {
          return inflateInto(inflater, data, size, writer);
        });
    if (read != ChunkRead::whole) {
      return false;
    }
  }
  return inImageData && writer.close(static_cast<std::uint32_t>(inflater.stream.adler));
}

void produce(const QString& path, InflatedPngStream& sink) {
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) {
    transcribe(file, sink);
  }
}

}  // namespace

InflatedPngStream::InflatedPngStream(const QString& path)
    : worker([this, path] {
        produce(path, *this);
        finish();
      }) {}

InflatedPngStream::~InflatedPngStream() {
  {
    const std::lock_guard lock(mutex);
    stopping = true;
  }
  changed.notify_all();
  worker.join();
}

std::vector<std::uint8_t> InflatedPngStream::spare() {
  const std::lock_guard lock(mutex);
  if (spares.empty()) {
    return {};
  }
  std::vector<std::uint8_t> bytes = std::move(spares.back());
  spares.pop_back();
  return bytes;
}

bool InflatedPngStream::push(std::vector<std::uint8_t> bytes, std::size_t size) {
  std::unique_lock lock(mutex);
  changed.wait(lock, [this] { return stopping || blocks.size() < kMaxBlocks; });
  if (stopping) {
    return false;
  }
  blocks.push_back({std::move(bytes), size});
  lock.unlock();
  changed.notify_all();
  return true;
}

void InflatedPngStream::finish() {
  {
    const std::lock_guard lock(mutex);
    ended = true;
  }
  changed.notify_all();
}

bool InflatedPngStream::read(std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    if (offset == current.size) {
      std::unique_lock lock(mutex);
      changed.wait(lock, [this] { return ended || !blocks.empty(); });
      if (blocks.empty()) {
        return false;
      }
      if (spares.size() < kMaxBlocks) {
        spares.push_back(std::move(current.bytes));
      }
      current = std::move(blocks.front());
      blocks.pop_front();
      offset = 0;
      lock.unlock();
      changed.notify_all();
      continue;
    }
    const std::size_t size = std::min(length, current.size - offset);
    std::memcpy(data, current.bytes.data() + offset, size);
    data += size;
    length -= size;
    offset += size;
  }
  return true;
}
