// The "fill" picture position: the image scaled to cover the whole area, centred, its overflow
// cropped on the two sides that overflow.
#pragma once

#include <cstdint>

namespace pixoria::platform {

struct FillPlacement {
  double x = 0;  // may be negative: the part left of the area is cropped
  double y = 0;
  double width = 0;
  double height = 0;
};

// Where an imageWidth x imageHeight image goes in an areaWidth x areaHeight area. All sizes > 0.
FillPlacement fillPlacement(std::uint32_t imageWidth, std::uint32_t imageHeight, int areaWidth,
                            int areaHeight);

}  // namespace pixoria::platform
