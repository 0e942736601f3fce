#include "forms/dpi_scale.h"

#include <gtest/gtest.h>

TEST(DpiScale, ValuesRoundToTheNearestPixelHalvesAwayFromZero) {
  const struct {
    int value, dpi, expected;
  } rows[] = {
      {12, 96, 12},   {12, 144, 18},  {12, 192, 24},  {12, 120, 15},   {13, 144, 20},  // 19.5 -> 20
      {75, 144, 113}, {-12, 144, -18}, {-13, 144, -20}, {265, 144, 398}, {0, 144, 0},
      {12, 0, 12},    {12, -5, 12},    {1, 168, 2},     {600, 192, 1200},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.value << " at " << r.dpi);
    EXPECT_EQ(ScaleToDpi(r.value, r.dpi), r.expected);
  }
}

TEST(DpiScale, BackToDesignPixels) {
  const struct {
    int pixels, dpi, nearest, covering;
  } rows[] = {
      {18, 144, 12, 12}, {19, 144, 13, 13}, {398, 144, 265, 265}, {13, 168, 7, 8},  // 7 -> 12.25 falls short
      {24, 192, 12, 12}, {25, 192, 13, 13}, {0, 144, 0, 0},       {100, 96, 100, 100},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.pixels << " at " << r.dpi);
    EXPECT_EQ(UnscaleFromDpi(r.pixels, r.dpi), r.nearest);
    EXPECT_EQ(UnscaleCovering(r.pixels, r.dpi), r.covering);
    EXPECT_GE(ScaleToDpi(UnscaleCovering(r.pixels, r.dpi), r.dpi), r.pixels);
  }
}

TEST(DpiScale, RectanglesScaleTheirEdges) {
  const struct {
    int left, top, width, height, dpi;
    ScaledRect expected;
  } rows[] = {
      {132, 236, 75, 25, 96, {132, 236, 75, 25}},
      {132, 236, 75, 25, 144, {198, 354, 113, 38}},  // right 310.5 -> 311, bottom 391.5 -> 392
      {0, 229, 383, 2, 144, {0, 344, 575, 3}},       // 343.5 -> 344, 346.5 -> 347
      {0, 0, 383, 229, 144, {0, 0, 575, 344}},
      {16, 192, 349, 16, 192, {32, 384, 698, 32}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.left << "," << r.top << " at " << r.dpi);
    EXPECT_EQ(ScaleRectToDpi(r.left, r.top, r.width, r.height, r.dpi), r.expected);
  }
}

TEST(DpiScale, TouchingControlsStillTouchAndSeparateOnesNeverOverlap) {
  // Every pair of neighbours along an axis, at every scale a system offers.
  for (int dpi : {96, 120, 144, 168, 192, 216, 240, 288}) {
    for (int a = 0; a < 300; ++a) {
      for (int size = 1; size < 40; size += 3) {
        SCOPED_TRACE(testing::Message() << a << "+" << size << " at " << dpi);
        const ScaledRect first = ScaleRectToDpi(a, 0, size, 1, dpi);
        const ScaledRect touching = ScaleRectToDpi(a + size, 0, 7, 1, dpi);
        const ScaledRect apart = ScaleRectToDpi(a + size + 1, 0, 7, 1, dpi);
        ASSERT_EQ(first.left + first.width, touching.left);
        ASSERT_LT(first.left + first.width, apart.left);
        ASSERT_GT(first.width, 0);
      }
    }
  }
}
