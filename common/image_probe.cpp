#include "pixoria/common/image_probe.h"

#include <cstdint>

#include "pixoria/platform/imaging.h"

namespace pixoria {

namespace pf = platform;

bool isReadableImage(const std::string& path) {
  pf::ImagePtr image;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  return pf::loadImageFromFile(path, image) == pf::GpStatus::ok &&
         pf::getImageWidth(image.get(), width) == pf::GpStatus::ok &&
         pf::getImageHeight(image.get(), height) == pf::GpStatus::ok && width > 0 && height > 0;
}

}  // namespace pixoria
