#include "tray/icon_pixmap.h"

#include <algorithm>
#include <cmath>

namespace pixoria::platform {
namespace {

// Each pixel is the average of kSamples x kSamples points, which smooths every edge.
constexpr int kSamples = 4;

struct Color {
  double r, g, b;
};

Color mix(Color a, Color b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// The shapes in coordinates from 0 to 1 across the icon.
constexpr double kMargin = 0.04;
constexpr double kCornerRadius = 0.22;

bool insideRoundedSquare(double x, double y) {
  const double low = kMargin + kCornerRadius;
  const double high = 1.0 - kMargin - kCornerRadius;
  const double dx = std::max({low - x, 0.0, x - high});
  const double dy = std::max({low - y, 0.0, y - high});
  if (x < kMargin || x > 1.0 - kMargin || y < kMargin || y > 1.0 - kMargin) {
    return false;
  }
  return dx * dx + dy * dy <= kCornerRadius * kCornerRadius;
}

// The ridge of the far mountains: height (as y) along x, a line through these points.
double ridgeY(double x) {
  static constexpr double kPoints[][2] = {
      {0.0, 0.70}, {0.30, 0.38}, {0.50, 0.60}, {0.70, 0.45}, {1.0, 0.68}};
  for (std::size_t i = 1; i < std::size(kPoints); ++i) {
    if (x <= kPoints[i][0]) {
      const double t = (x - kPoints[i - 1][0]) / (kPoints[i][0] - kPoints[i - 1][0]);
      return kPoints[i - 1][1] + (kPoints[i][1] - kPoints[i - 1][1]) * t;
    }
  }
  return kPoints[std::size(kPoints) - 1][1];
}

double hillY(double x) {
  return 0.80 - 0.10 * std::sin(3.14159265358979 * (x * 0.9 + 0.05));
}

Color landscapeAt(double x, double y) {
  constexpr Color kSkyTop{0.16, 0.42, 0.85};
  constexpr Color kSkyHorizon{0.62, 0.82, 0.97};
  constexpr Color kSun{1.0, 0.80, 0.22};
  constexpr Color kMountain{0.20, 0.33, 0.52};
  constexpr Color kSnowLine{0.85, 0.90, 0.96};
  constexpr Color kHill{0.22, 0.62, 0.30};
  if (y >= hillY(x)) {
    return kHill;
  }
  const double ridge = ridgeY(x);
  if (y >= ridge) {
    return y < ridge + 0.05 && ridge < 0.5 ? kSnowLine : kMountain;
  }
  const double sunDx = x - 0.70;
  const double sunDy = y - 0.28;
  if (sunDx * sunDx + sunDy * sunDy <= 0.12 * 0.12) {
    return kSun;
  }
  return mix(kSkyTop, kSkyHorizon, std::clamp((y - kMargin) / 0.6, 0.0, 1.0));
}

std::uint8_t channel(double value) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

}  // namespace

std::vector<std::uint8_t> drawIconArgb(int size) {
  if (size <= 0) {
    return {};
  }
  const auto side = static_cast<std::size_t>(size);
  std::vector<std::uint8_t> pixels(side * side * 4);
  const double step = 1.0 / (size * kSamples);
  for (int row = 0; row < size; ++row) {
    for (int column = 0; column < size; ++column) {
      Color sum{0, 0, 0};
      int covered = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double x = (column * kSamples + sx + 0.5) * step;
          const double y = (row * kSamples + sy + 0.5) * step;
          if (!insideRoundedSquare(x, y)) {
            continue;
          }
          const Color color = landscapeAt(x, y);
          sum = {sum.r + color.r, sum.g + color.g, sum.b + color.b};
          ++covered;
        }
      }
      std::uint8_t* pixel = &pixels[(static_cast<std::size_t>(row) * side + column) * 4];
      pixel[0] = channel(static_cast<double>(covered) / (kSamples * kSamples));
      if (covered > 0) {
        pixel[1] = channel(sum.r / covered);
        pixel[2] = channel(sum.g / covered);
        pixel[3] = channel(sum.b / covered);
      }
    }
  }
  return pixels;
}

}  // namespace pixoria::platform
