// Stand-ins for the three online sources: they record what the schedule asks of them and report
// what the test scripted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "agent/change_result.h"

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
// What the next calls (of any of the three) report, in order; after these, each call succeeds.
void scriptSourceResults(std::vector<ChangeResult> results);
void resetSourceDoubles();

}  // namespace pixoria::test
