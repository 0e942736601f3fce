#include "forms/dialog_spot.h"

#include <gtest/gtest.h>

TEST(DialogSpot, BelowAboveOrCentred) {
  const SpotRect screen{0, 0, 1024, 768};
  const SpotSize dialog{300, 120};
  const struct {
    const char* what;
    std::optional<SpotRect> keep;
    DialogSpot spot;
  } rows[] = {
      {"nothing to keep clear: centred", std::nullopt, {362, 324}},
      {"room below: right under it, centred across", SpotRect{300, 400, 650, 440}, {325, 448}},
      {"no room below: right above it", SpotRect{300, 640, 650, 700}, {325, 512}},
      {"neither: centred", SpotRect{0, 100, 1024, 700}, {362, 324}},
      {"near the left edge: kept on the screen", SpotRect{-50, 300, 50, 320}, {0, 328}},
      {"near the right edge: kept on the screen", SpotRect{1000, 300, 1100, 320}, {724, 328}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const DialogSpot spot = PlaceClearOf(dialog, screen, row.keep);
    EXPECT_EQ(spot.left, row.spot.left);
    EXPECT_EQ(spot.top, row.spot.top);
  }
}
