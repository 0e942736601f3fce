#include "forms/dpi_scale.h"

#include <cstdint>

namespace {

int MulDivRound(int value, int numerator, int denominator) {
  const int64_t product = static_cast<int64_t>(value) * numerator;
  const int64_t half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator : -((-product + half) / denominator));
}

int Valid(int dpi) { return dpi > 0 ? dpi : kDesignDpi; }

}  // namespace

int ScaleToDpi(int value, int dpi) { return MulDivRound(value, Valid(dpi), kDesignDpi); }

int UnscaleFromDpi(int pixels, int dpi) { return MulDivRound(pixels, kDesignDpi, Valid(dpi)); }

int UnscaleCovering(int pixels, int dpi) {
  int design = UnscaleFromDpi(pixels, dpi);
  while (ScaleToDpi(design, dpi) < pixels) ++design;
  return design;
}

ScaledRect ScaleRectToDpi(int left, int top, int width, int height, int dpi) {
  const int l = ScaleToDpi(left, dpi), t = ScaleToDpi(top, dpi);
  return {l, t, ScaleToDpi(left + width, dpi) - l, ScaleToDpi(top + height, dpi) - t};
}
