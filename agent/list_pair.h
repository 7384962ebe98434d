// The pair of entries a change shows: every source picks them by the same rule.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pixoria {

struct ListPair {
  std::int32_t first = 0;   // the wanted position, or 0 when it lies outside the list
  std::int32_t second = 0;  // the entry after it, wrapping to the first
  bool reset = false;       // the wanted position lay outside the list
};

// For a list of `size` entries (at least one).
ListPair listPair(std::int32_t wanted, std::size_t size);

}  // namespace pixoria
