// The outputs sway lists in answer to `swaymsg -t get_outputs -r`: a JSON array with one object
// per output. Only the fields the wallpaper needs are read; the rest is checked and skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pixoria::platform {

struct SwayOutput {
  std::string name;    // "HDMI-A-1"
  bool active = true;  // older sways do not say
  int modeWidth = 0;   // current_mode: pixels
  int modeHeight = 0;
  int rectWidth = 0;  // rect: layout units, after scaling
  int rectHeight = 0;
};

// False (and `outputs` untouched) for text that is not such an array: malformed JSON, an output
// without a string name, sizes outside 0..1000000, more than 64 outputs or nesting past 64.
bool parseSwayOutputs(std::string_view json, std::vector<SwayOutput>& outputs);

}  // namespace pixoria::platform
