// sway's output list: any bytes give a bounded list of outputs or a refusal, without a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "desktop/sway_outputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view json(reinterpret_cast<const char*>(data), size);
  std::vector<pixoria::platform::SwayOutput> outputs;
  if (!pixoria::platform::parseSwayOutputs(json, outputs)) {
    if (!outputs.empty()) {
      __builtin_trap();  // a refused list leaves the caller's list alone
    }
    return 0;
  }
  if (outputs.size() > 64) {
    __builtin_trap();
  }
  for (const pixoria::platform::SwayOutput& output : outputs) {
    // A name is cut out of the text (escapes only shrink it); sides are bounded.
    if (output.name.size() > size || output.modeWidth < 0 || output.modeWidth > 1000000 ||
        output.modeHeight < 0 || output.modeHeight > 1000000 || output.rectWidth < 0 ||
        output.rectWidth > 1000000 || output.rectHeight < 0 || output.rectHeight > 1000000) {
      __builtin_trap();
    }
  }
  return 0;
}
