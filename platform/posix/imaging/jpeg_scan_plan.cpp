#include "imaging/jpeg_scan_plan.h"

#include <cstring>

#include "imaging/file_reader.h"

namespace pixoria::platform::imaging {
namespace {

constexpr std::size_t kScanChunk = 256 * 1024;

bool followsFf(int fd, std::uint64_t offset) {
  std::uint8_t before = 0;
  return readFileAt(fd, offset - 1, &before, 1) == 1 && before == 0xFF;
}

}  // namespace

std::uint64_t findScanEnd(int fd, std::uint64_t start, std::uint64_t fileSize) {
  std::vector<std::uint8_t> chunk(kScanChunk + 1);
  for (std::uint64_t offset = start; offset < fileSize; offset += kScanChunk) {
    // One byte more than the chunk, so a 0xFF at its end can be judged.
    std::size_t got = readFileAt(fd, offset, chunk.data(), chunk.size());
    if (got == 0) {
      break;
    }
    std::size_t judged = std::min(got, kScanChunk);
    const std::uint8_t* at = chunk.data();
    const std::uint8_t* end = chunk.data() + judged;
    while ((at = static_cast<const std::uint8_t*>(
                std::memchr(at, 0xFF, static_cast<std::size_t>(end - at))))) {
      std::size_t index = static_cast<std::size_t>(at - chunk.data());
      if (index + 1 >= got || chunk[index + 1] != 0x00) {
        return offset + index;
      }
      ++at;
    }
  }
  return fileSize;
}

std::vector<std::uint64_t> cutScan(int fd, std::uint64_t start, std::uint64_t end, int pieces) {
  std::vector<std::uint64_t> cuts{start};
  std::uint64_t length = end - start;
  for (int k = 1; k < pieces; ++k) {
    std::uint64_t cut =
        start + length * static_cast<std::uint64_t>(k) / static_cast<std::uint64_t>(pieces);
    while (cut < end && followsFf(fd, cut)) {
      ++cut;
    }
    if (cut > cuts.back() && cut < end) {
      cuts.push_back(cut);
    }
  }
  cuts.push_back(end);
  return cuts;
}

std::size_t countStuffedBytes(const std::uint8_t* data, std::size_t size) {
  std::size_t stuffed = 0;
  const std::uint8_t* end = data + size;
  const std::uint8_t* at = data;
  while ((at = static_cast<const std::uint8_t*>(
              std::memchr(at, 0xFF, static_cast<std::size_t>(end - at))))) {
    if (at + 1 < end && at[1] == 0x00) {
      ++stuffed;
      at += 2;
    } else {
      ++at;
    }
  }
  return stuffed;
}

}  // namespace pixoria::platform::imaging
