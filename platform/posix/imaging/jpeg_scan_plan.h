// Where a scan's entropy-coded data lies in the file, cut into pieces that can be decoded apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixoria::platform::imaging {

// The offset of the first 0xFF at or after `start` that is not followed by a stuffed zero: where
// the scan's data ends (a marker, or fill bytes before one). The file's size when there is none.
std::uint64_t findScanEnd(int fd, std::uint64_t start, std::uint64_t fileSize);

// Offsets start = b[0] < b[1] < ... < b[n] = end cutting [start, end) into at most `pieces` pieces
// of about equal size. No cut falls right after a 0xFF, so every piece starts with a data byte.
std::vector<std::uint64_t> cutScan(int fd, std::uint64_t start, std::uint64_t end, int pieces);

// The stuffed zero bytes (each 0x00 after a 0xFF) in data that holds no marker.
std::size_t countStuffedBytes(const std::uint8_t* data, std::size_t size);

}  // namespace pixoria::platform::imaging
