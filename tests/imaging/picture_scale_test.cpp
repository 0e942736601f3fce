#include "imaging/picture_scale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// A 24-bit picture from rows of 0x00RRGGBB values.
TDIB Picture(const std::vector<std::vector<uint32_t>>& rows) {
  TDIB dib;
  dib.SetPixelFormat(8, 8, 8);
  dib.SetSize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 24);
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x) dib.SetPixel(static_cast<int>(x), static_cast<int>(y), rows[y][x]);
  return dib;
}

std::vector<std::vector<uint32_t>> Pixels(const TDIB& dib) {
  std::vector<std::vector<uint32_t>> rows(static_cast<size_t>(dib.Height()));
  for (int y = 0; y < dib.Height(); ++y)
    for (int x = 0; x < dib.Width(); ++x) rows[static_cast<size_t>(y)].push_back(dib.Pixel(x, y));
  return rows;
}

}  // namespace

TEST(PictureScale, FilterByWholeMultiples) {
  const struct {
    int sw, sh, dw, dh;
    TScaleFilter expected;
  } rows[] = {
      {300, 200, 300, 200, TScaleFilter::kNearest},     {300, 200, 600, 400, TScaleFilter::kNearest},
      {300, 200, 900, 200, TScaleFilter::kNearest},     {300, 200, 450, 300, TScaleFilter::kAreaAverage},
      {300, 200, 600, 401, TScaleFilter::kAreaAverage}, {300, 200, 150, 100, TScaleFilter::kAreaAverage},
      {0, 0, 10, 10, TScaleFilter::kNearest},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.sw << "x" << r.sh << " -> " << r.dw << "x" << r.dh);
    EXPECT_EQ(ChooseScaleFilter(r.sw, r.sh, r.dw, r.dh), r.expected);
  }
}

TEST(PictureScale, KnownResults) {
  const uint32_t K = 0x000000, W = 0xFFFFFF, R = 0xFF0000, B = 0x0000FF;
  const struct {
    const char* what;
    std::vector<std::vector<uint32_t>> source;
    int dw, dh;
    std::vector<std::vector<uint32_t>> expected;
  } rows[] = {
      {"same size", {{R, B}, {K, W}}, 2, 2, {{R, B}, {K, W}}},
      {"doubled: blocks of equal pixels", {{R, B}, {K, W}}, 4, 4,
       {{R, R, B, B}, {R, R, B, B}, {K, K, W, W}, {K, K, W, W}}},
      {"three times across, once down", {{R, B}}, 6, 1, {{R, R, R, B, B, B}}},
      // 2 -> 3: the middle pixel covers half of each source pixel.
      {"one and a half: the middle pixel mixes", {{K, W}}, 3, 1, {{K, 0x808080, W}}},
      {"one and a half down", {{R}, {B}}, 1, 3, {{R}, {0x800080}, {B}}},
      // 4 -> 6 across a hard edge: only the pixel on the edge is mixed.
      {"an edge on a pixel boundary stays hard", {{K, K, W, W}}, 6, 1, {{K, K, K, W, W, W}}},
      {"an edge inside a pixel is mixed", {{K, W}}, 5, 1, {{K, K, 0x808080, W, W}}},
      {"3 -> 2: each covers one and a half", {{K, W, K}}, 2, 1, {{0x555555, 0x555555}}},
      {"halved: the mean of each block", {{K, W}, {W, W}}, 1, 1, {{0xBFBFBF}}},
      {"a plain picture stays plain", {{R, R, R}, {R, R, R}}, 5, 4,
       {{R, R, R, R, R}, {R, R, R, R, R}, {R, R, R, R, R}, {R, R, R, R, R}}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    TDIB out;
    ScalePicture(Picture(r.source), r.dw, r.dh, out);
    ASSERT_EQ(out.BitCount(), 24);
    EXPECT_EQ(Pixels(out), r.expected);
  }
}

TEST(PictureScale, EmptyInputsAndOtherDepths) {
  TDIB out;
  ScalePicture(Picture({{0x123456}}), 0, 5, out);
  EXPECT_TRUE(out.Empty());
  ScalePicture(TDIB(), 5, 5, out);
  EXPECT_TRUE(out.Empty());
  TDIB palette;
  palette.SetSize(2, 2, 8);
  EXPECT_THROW(ScalePicture(palette, 4, 4, out), EInvalidGraphicOperation);
}
