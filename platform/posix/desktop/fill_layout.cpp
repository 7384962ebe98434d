#include "fill_layout.h"

#include <algorithm>

namespace pixoria::platform {

FillPlacement fillPlacement(std::uint32_t imageWidth, std::uint32_t imageHeight, int areaWidth,
                            int areaHeight) {
  const double scale = std::max(static_cast<double>(areaWidth) / imageWidth,
                                static_cast<double>(areaHeight) / imageHeight);
  FillPlacement placement;
  placement.width = imageWidth * scale;
  placement.height = imageHeight * scale;
  placement.x = (areaWidth - placement.width) / 2;
  placement.y = (areaHeight - placement.height) / 2;
  return placement;
}

}  // namespace pixoria::platform
