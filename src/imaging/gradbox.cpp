#include "imaging/gradbox.h"

#include <cmath>
#include <cstdlib>

int64_t RoundHalfEven(double value) {
  // Spelled out instead of relying on the floating-point rounding mode.
  const double floor = std::floor(value);
  const double fraction = value - floor;
  int64_t result = static_cast<int64_t>(floor);
  if (fraction > 0.5 || (fraction == 0.5 && (result & 1) != 0)) ++result;
  return result;
}

std::vector<TGradBand> ComputeGradBands(TColor start, TColor end, int steps, TGradDirection direction, int width,
                                        int height) {
  std::vector<TGradBand> bands;
  if (steps < 0) steps = 0;
  if (steps > 255) steps = 255;
  const bool vertical = direction == TGradDirection::gdVertical;
  const bool center = direction == TGradDirection::gdHorzCenter;
  const int extent = vertical ? height : width;
  int band = static_cast<int>(RoundHalfEven(static_cast<double>(extent) / (steps + 1)));
  if (band <= 0) band = 1;

  const int s[3] = {start & 0xFF, (start >> 8) & 0xFF, (start >> 16) & 0xFF};
  const int e[3] = {end & 0xFF, (end >> 8) & 0xFF, (end >> 16) & 0xFF};
  const int half = steps / 2;
  const double divisor = center ? half + 1 : steps + 1;

  int p = 0;
  TColor color = start;
  bands.reserve(static_cast<size_t>(steps) + 3);
  for (int i = 0; i <= steps + 1; ++i) {
    const double factor = center ? std::abs(half - i) : i;
    color = 0;
    for (int c = 0; c < 3; ++c) {
      const int64_t r = RoundHalfEven((e[c] - s[c]) / divisor * factor);
      color |= static_cast<TColor>(((s[c] + r) % 256 + 256) % 256) << (8 * c);
    }
    const TRect rect = vertical ? TRect{0, p, width, p + band} : TRect{p, 0, p + band, height};
    bands.push_back({rect, color});
    p += band;
  }
  // The strip past the last band (rounding the band size down leaves one)
  // takes the last band's colour, down to a single row or column.
  if (p < extent) {
    const TRect rest = vertical ? TRect{0, p, width, height} : TRect{p, 0, width, height};
    bands.push_back({rest, color});
  }
  return bands;
}
