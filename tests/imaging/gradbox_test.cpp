#include "imaging/gradbox.h"

#include <gtest/gtest.h>

TEST(GradBox, RoundsHalfToEven) {
  const struct {
    double in;
    int64_t out;
  } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {2.19, 2}, {2.6, 3}, {-0.98, -1}};
  for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(GradBox, VerticalBandsThenTheRestInTheEndColour) {
  const TColor blue = 0xFF0000, navy = 0x800000;
  const auto bands = ComputeGradBands(blue, navy, 128, TGradDirection::gdVertical, 444, 283);
  // 283 / 129 = 2.19: bands of 2 rows, 130 of them over rows 0..259, then 260..282.
  ASSERT_EQ(bands.size(), 131u);
  for (size_t i = 0; i < 130; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(bands[i].Rect, (TRect{0, static_cast<int>(2 * i), 444, static_cast<int>(2 * i + 2)}));
    // Blue steps from 255 towards 128 by -127/129 per band, rounded.
    const int want = 255 + static_cast<int>(RoundHalfEven(-127.0 / 129 * static_cast<double>(i)));
    EXPECT_EQ(bands[i].Color, want << 16);
  }
  EXPECT_EQ(bands[0].Color, blue);
  EXPECT_EQ(bands[129].Color, navy);
  EXPECT_EQ(bands[130].Rect, (TRect{0, 260, 444, 283}));
  EXPECT_EQ(bands[130].Color, navy);
}

TEST(GradBox, LastRowIsPaintedWhenLessThanABandIsLeft) {
  // 261 rows: bands of 2 cover 0..259; row 260 is filled too.
  const auto bands = ComputeGradBands(0xFFFFFF, 0, 128, TGradDirection::gdVertical, 10, 261);
  ASSERT_EQ(bands.size(), 131u);
  EXPECT_EQ(bands.back().Rect, (TRect{0, 260, 10, 261}));
  EXPECT_EQ(bands.back().Color, 0);
}

TEST(GradBox, LowBoxGetsOnePixelBands) {
  const auto bands = ComputeGradBands(0xFFFFFF, 0, 128, TGradDirection::gdVertical, 10, 50);
  ASSERT_EQ(bands.size(), 130u);  // the bands past row 49 fall outside; no final fill
  EXPECT_EQ(bands[49].Rect, (TRect{0, 49, 10, 50}));
  EXPECT_EQ(bands[129].Rect, (TRect{0, 129, 10, 130}));
}

TEST(GradBox, HorizontalAndEqualColours) {
  const auto bands = ComputeGradBands(0x123456, 0x123456, 128, TGradDirection::gdHorizontal, 283, 7);
  ASSERT_EQ(bands.size(), 131u);
  for (const auto& b : bands) EXPECT_EQ(b.Color, 0x123456);
  EXPECT_EQ(bands[3].Rect, (TRect{6, 0, 8, 7}));
  EXPECT_EQ(bands.back().Rect, (TRect{260, 0, 283, 7}));
}

TEST(GradBox, CentredGradientStartsInTheMiddleBand) {
  // 4 steps: 6 bands of 100 / 5 = 20; distance from the middle band 2 (or 3 at
  // the far right) times 255 / 3.
  const auto bands = ComputeGradBands(0, 0x0000FF, 4, TGradDirection::gdHorzCenter, 100, 30);
  ASSERT_EQ(bands.size(), 6u);
  const TColor want[] = {170, 85, 0, 85, 170, 255};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(bands[i].Color, want[i]) << i;
    EXPECT_EQ(bands[i].Rect, (TRect{static_cast<int>(20 * i), 0, static_cast<int>(20 * i + 20), 30}));
  }
}

TEST(GradBox, NoStepsIsTwoBands) {
  const auto bands = ComputeGradBands(0x0000FF, 0x00FF00, 0, TGradDirection::gdVertical, 8, 9);
  ASSERT_EQ(bands.size(), 2u);
  EXPECT_EQ(bands[0].Color, 0x0000FF);
  EXPECT_EQ(bands[1].Color, 0x00FF00);
  EXPECT_EQ(bands[1].Rect, (TRect{0, 9, 8, 18}));
}
