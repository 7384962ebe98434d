#include "agent/list_pair.h"

namespace pixoria {

ListPair listPair(std::int32_t wanted, std::size_t size) {
  const auto within = [size](std::int64_t position) {
    return position >= 0 && static_cast<std::uint64_t>(position) < size;
  };
  ListPair pair;
  pair.reset = !within(wanted);
  pair.first = pair.reset ? 0 : wanted;
  pair.second = within(std::int64_t{pair.first} + 1) ? pair.first + 1 : 0;
  return pair;
}

}  // namespace pixoria
