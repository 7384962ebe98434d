#include "preview/preview_size.h"

#include <algorithm>
#include <cmath>

namespace {

int scaledSide(int side, int to, int from) {
  const double scaled = std::round(static_cast<double>(side) * to / from);
  return static_cast<int>(std::max(1.0, scaled));
}

}  // namespace

QSize previewSize(QSize imageSize, QSize box) {
  if (imageSize.isEmpty() || box.isEmpty()) {
    return {};
  }
  if (imageSize.width() > imageSize.height()) {
    return {box.width(), scaledSide(imageSize.height(), box.width(), imageSize.width())};
  }
  return {scaledSide(imageSize.width(), box.height(), imageSize.height()), box.height()};
}
