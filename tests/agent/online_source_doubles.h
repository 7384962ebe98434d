// Stand-ins for the three online sources: they record what the schedule asks of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace pixoria::test {

struct SourceCall {
  std::string source;  // "bing", "nasa", "wikipedia"
  std::int32_t index;
  bool operator==(const SourceCall&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const SourceCall& call) {
    return out << call.source << "(" << call.index << ")";
  }
};

std::vector<SourceCall>& sourceCalls();
void setNasaListSize(std::size_t size);
void setWikipediaListSize(std::size_t size);
void resetSourceDoubles();

}  // namespace pixoria::test
