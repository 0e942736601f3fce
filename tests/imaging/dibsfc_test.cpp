#include "imaging/dibsfc.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A w × 1 (or w × h) surface whose pixels are given left to right, top to bottom.
TDIBSurface Make(int bits, int w, int h, const std::vector<uint32_t>& px) {
  TDIBSurface s;
  s.SetSize(w, h, bits);
  for (size_t i = 0; i < px.size(); ++i) s.SetPixel(static_cast<int>(i % w), static_cast<int>(i / w), px[i]);
  return s;
}

std::vector<uint32_t> PixelsOf(const TDIB& s) {
  std::vector<uint32_t> out;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) out.push_back(s.Pixel(x, y));
  return out;
}

}  // namespace

TEST(TDIBSurface, FifteenBitsIsFiveFiveFiveAtSixteen) {
  TDIBSurface s;
  s.SetSize(4, 4, 15);
  EXPECT_EQ(s.BitCount(), 16);
  EXPECT_EQ(s.EffectiveBitCount(), 15);
  EXPECT_EQ(s.ColorToValue(0xFF, 0x80, 0x08), (31u << 10) | (16u << 5) | 1u);
  s.SetSize(4, 4, 16);
  EXPECT_EQ(s.EffectiveBitCount(), 16);
  EXPECT_EQ(s.ColorToValue(0xFF, 0x80, 0x08), (31u << 11) | (32u << 5) | 1u);
  s.SetSize(4, 4, 24);
  EXPECT_EQ(s.ColorToValue(0x0A0B0C), 0x0C0B0Au);  // colour 0x00BBGGRR -> raw 0xRRGGBB
}

TEST(TDIBSurface, PaletteColourToValueFindsTheNearestEntry) {
  TDIBSurface s;
  s.SetSize(1, 1, 4);
  s.ColorTable()[0] = {0, 0, 0, 0};
  s.ColorTable()[7] = {250, 0, 0, 0};   // blue
  s.ColorTable()[9] = {0, 0, 250, 0};   // red
  s.ColorTable()[10] = {0, 0, 250, 0};  // red again: the first one wins
  EXPECT_EQ(s.ColorToValue(240, 10, 0), 9u);
  EXPECT_EQ(s.ColorToValue(0, 0, 200), 7u);
  EXPECT_EQ(s.ColorToValue(10, 10, 10), 0u);
}

TEST(TDIBSurface, FillRectValueClampsAndMasks) {
  TDIBSurface s;
  s.SetSize(3, 2, 15);
  s.FillRectValue({-5, 1, 2, 9}, 0xFFFF);
  EXPECT_EQ(PixelsOf(s), (std::vector<uint32_t>{0, 0, 0, 0x7FFF, 0x7FFF, 0}));
  s.SetSize(5, 1, 1);
  s.FillRectValue({1, 0, 4, 1}, 3);  // only the low bit counts
  EXPECT_EQ(PixelsOf(s), (std::vector<uint32_t>{0, 1, 1, 1, 0}));
  s.SetSize(3, 1, 4);
  s.FillRectValue({1, 0, 3, 1}, 0x1E);
  EXPECT_EQ(PixelsOf(s), (std::vector<uint32_t>{0, 0xE, 0xE}));
}

TEST(TDIBSurface, SubByteFillsMatchAPixelByPixelFill) {
  // Whole bytes are filled at once: every start and end, inside a byte and on
  // its edges, must give what setting each pixel gives.
  for (int bits : {1, 4}) {
    const uint32_t m = bits == 1 ? 1 : 15;
    for (int w : {1, 2, 3, 7, 8, 9, 15, 16, 17, 33}) {
      std::vector<uint32_t> base;
      for (int i = 0; i < w; ++i) base.push_back((i * 5 + 3) & m);
      for (int left = 0; left <= w; ++left) {
        for (int right = left; right <= w; ++right) {
          for (uint32_t value : {0u, 1u, 0xAu, 0xFFu}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, width " << w << ", [" << left << ", " << right
                                            << "), value " << value);
            std::vector<uint32_t> rows = base;
            rows.insert(rows.end(), base.begin(), base.end());
            TDIBSurface s = Make(bits, w, 2, rows);
            s.FillRectValue({left, 1, right, 2}, value);
            std::vector<uint32_t> want = base;  // row 0 stays
            for (int x = 0; x < w; ++x) want.push_back(x >= left && x < right ? (value & m) : base[x]);
            ASSERT_EQ(PixelsOf(s), want);
          }
        }
      }
    }
  }
}

TEST(TDIBSurface, SubBytePlainCopiesAreBitExact) {
  for (int bits : {1, 4}) {
    SCOPED_TRACE(bits);
    const uint32_t m = bits == 1 ? 1 : 15;
    std::vector<uint32_t> src_px, dst_px;
    for (uint32_t i = 0; i < 13; ++i) {
      src_px.push_back((i * 7 + 3) & m);
      dst_px.push_back((i * 5 + 1) & m);
    }
    const TDIBSurface src = Make(bits, 13, 1, src_px);
    // Odd and even offsets on both sides, unaligned and aligned.
    for (int sx : {0, 1, 3, 8}) {
      for (int dx : {0, 2, 5}) {
        TDIBSurface dst = Make(bits, 13, 1, dst_px);
        dst.DrawOpaque(dx, 0, {sx, 0, sx + 6, 1}, src);
        std::vector<uint32_t> want = dst_px;
        for (int i = 0; i < 6 && dx + i < 13 && sx + i < 13; ++i) want[dx + i] = src_px[sx + i];
        EXPECT_EQ(PixelsOf(dst), want) << "sx " << sx << " dx " << dx;
      }
    }
  }
}

TEST(TDIBSurface, OneBitKeyedCopies) {
  const TDIBSurface src = Make(1, 6, 1, {1, 0, 1, 1, 0, 0});
  const struct {
    int32_t key;
    std::vector<uint32_t> want;
  } cases[] = {
      {0, {1, 0, 1, 1, 0, 1}},   // only the set bits
      {1, {0, 0, 0, 0, 0, 0}},   // only the clear bits
      {-1, {1, 0, 1, 1, 0, 0}},  // all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    TDIBSurface dst = Make(1, 6, 1, {0, 0, 0, 0, 0, 1});
    if (c.key == 1) dst.FillRectValue(dst.BoundsRect(), 0);
    dst.DrawKeyed(0, 0, c.key, src.BoundsRect(), src);
    EXPECT_EQ(PixelsOf(dst), c.want);
  }
}

TEST(TDIBSurface, KeyedCopiesAtTwentyFourAndThirtyTwoBits) {
  const TDIBSurface s24 = Make(24, 3, 1, {0xFF00FF, 0x123456, 0xFFFFFF});
  TDIBSurface d24 = Make(24, 3, 1, {1, 1, 1});
  d24.DrawKeyed(0, 0, 0xFF00FF, s24.BoundsRect(), s24);
  EXPECT_EQ(PixelsOf(d24), (std::vector<uint32_t>{1, 0x123456, 0xFFFFFF}));
  d24.DrawKeyed(0, 0, -1, s24.BoundsRect(), s24);  // no 24-bit value is -1
  EXPECT_EQ(PixelsOf(d24), PixelsOf(s24));

  const TDIBSurface s32 = Make(32, 3, 1, {0xFFFFFFFF, 0x00FFFFFF, 0x01000000});
  TDIBSurface d32 = Make(32, 3, 1, {7, 7, 7});
  d32.DrawKeyed(0, 0, -1, s32.BoundsRect(), s32);  // -1 is 0xFFFFFFFF, all four bytes
  EXPECT_EQ(PixelsOf(d32), (std::vector<uint32_t>{7, 0x00FFFFFF, 0x01000000}));
  d32 = Make(32, 3, 1, {7, 7, 7});
  d32.DrawTranslucent(0, 0, 255, -1, s32.BoundsRect(), s32);  // 255 is the keyed copy
  EXPECT_EQ(PixelsOf(d32), (std::vector<uint32_t>{7, 0x00FFFFFF, 0x01000000}));
}

TEST(TDIBSurface, TranslucentBlendsPerDepth) {
  // Hand-computed: (255 - a) * dst + a * src per field, / 255 at 15, 16 and 24
  // bits, >> 8 at 32 bits with red and blue together.
  const struct {
    int bits;
    uint32_t dst, src;
    int opacity;
    uint32_t want;
  } cases[] = {
      {16, 0xF800, 0x001F, 128, 0x780F},  // 127 * 0xF800 / 255 = 0x7B83 -> 0x7800; 128 * 31 / 255 = 15
      {15, 0x7C00, 0x001F, 128, 0x3C0F},
      {24, 0xC80000, 0x006432, 100, 0x792713},  // R 155*200/255 = 121, G 100*100/255 = 39, B 100*50/255 = 19
      {32, 0x00C80000, 0x00006432, 100, 0x792713},
      {32, 0xFFC80000, 0x7F006432, 128, 0x633219},  // the top byte becomes 0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits, opacity " << c.opacity);
    TDIBSurface dst = Make(c.bits, 1, 1, {c.dst});
    const TDIBSurface src = Make(c.bits, 1, 1, {c.src});
    dst.DrawTranslucent(0, 0, c.opacity, -1, src.BoundsRect(), src);
    EXPECT_EQ(dst.Pixel(0, 0), c.want);
  }
}

TEST(TDIBSurface, TranslucentOpacityZeroAndKeys) {
  for (int bits : {8, 15, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    TDIBSurface dst = Make(bits, 2, 1, {3, 3});
    const TDIBSurface src = Make(bits, 2, 1, {5, 9});
    dst.DrawTranslucent(0, 0, 0, -1, src.BoundsRect(), src);
    EXPECT_EQ(PixelsOf(dst), (std::vector<uint32_t>{3, 3}));
    dst.DrawTranslucent(0, 0, 255, 5, src.BoundsRect(), src);  // keyed copy, 5 skipped
    EXPECT_EQ(PixelsOf(dst), (std::vector<uint32_t>{3, 9}));
  }
  // 24 bits: a key matches the blue, green and red bytes.
  TDIBSurface d24 = Make(24, 2, 1, {0, 0});
  const TDIBSurface s24 = Make(24, 2, 1, {0xFF00FF, 0xFF00FE});
  d24.DrawTranslucent(0, 0, 51, 0x00FF00FF, s24.BoundsRect(), s24);
  EXPECT_EQ(PixelsOf(d24), (std::vector<uint32_t>{0, 0x330032}));
  d24 = Make(24, 2, 1, {0, 0});
  d24.DrawTranslucent(0, 0, 51, -1, s24.BoundsRect(), s24);
  EXPECT_EQ(PixelsOf(d24), (std::vector<uint32_t>{0x330033, 0x330032}));
}

TEST(TDIBSurface, PaletteTranslucencyDithersByDestinationPosition) {
  static const int kMatrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  const TDIBSurface src = Make(8, 8, 8, std::vector<uint32_t>(64, 1));
  for (int opacity = 1; opacity < 255; opacity += 7) {
    const int level = opacity / 16;
    for (int ox : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "opacity " << opacity << " x offset " << ox);
      TDIBSurface dst;
      dst.SetSize(9, 8, 8);
      dst.DrawTranslucent(ox, 0, opacity, -1, {0, 0, 8, 8}, src);
      for (int y = 0; y < 8; ++y)
        for (int x = ox; x < 8 + ox; ++x) {
          const uint32_t want = level >= 15 || kMatrix[y & 3][x & 3] <= level ? 1 : 0;
          ASSERT_EQ(dst.Pixel(x, y), want) << x << "," << y;
        }
    }
  }
}

TEST(TDIBSurface, AlphaBlendsPerDepth) {
  const struct {
    int bits;
    uint32_t dst, src;
    uint8_t alpha;
    int opacity;
    uint32_t want;
  } cases[] = {
      {8, 1, 2, 127, 255, 1},
      {8, 1, 2, 128, 255, 2},
      {16, 0xF800, 0x001F, 128, 255, 0x780F},  // 0xF800 * 127 >> 8 -> 0x7800; 31 * 128 >> 8 = 15
      {24, 0xC80000, 0x006432, 128, 255, 0x633219},  // R 127*200>>8 = 99, G 128*100>>8 = 50, B 128*50>>8 = 25
      {24, 0xC80000, 0x006432, 200, 128, 0x792713},  // weight 128*200>>8 = 100
      {24, 0xC80000, 0x006432, 1, 128, 0xC80000},    // 128 * 1 <= 255: left
      {24, 0xC80000, 0x006432, 0, 255, 0xC80000},
      {24, 0xC80000, 0x006432, 255, 255, 0x006432},
      {32, 0xFFC80000, 0x7F006432, 128, 255, 0x633219},
      {32, 0xFFC80000, 0x7F006432, 255, 255, 0x7F006432},  // copied whole
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits, alpha " << int(c.alpha) << ", opacity " << c.opacity);
    TDIBSurface dst = Make(c.bits, 1, 1, {c.dst});
    TDIBSurface src = Make(c.bits, 1, 1, {c.src});
    src.CreateAlpha();
    src.Alpha()->SetPixel(0, 0, c.alpha);
    dst.DrawAlpha(0, 0, c.opacity, src.BoundsRect(), src);
    EXPECT_EQ(dst.Pixel(0, 0), c.want);
  }
  // Without an alpha surface: a translucent draw without key.
  TDIBSurface dst = Make(32, 1, 1, {0x00C80000});
  const TDIBSurface src = Make(32, 1, 1, {0x00006432});
  dst.DrawAlpha(0, 0, 100, src.BoundsRect(), src);
  EXPECT_EQ(dst.Pixel(0, 0), 0x792713u);
}

TEST(TDIBSurface, BlocksAreClippedToDestinationClipAndSource) {
  std::vector<uint32_t> px;
  for (uint32_t i = 0; i < 16; ++i) px.push_back(10 + i);
  const TDIBSurface src = Make(8, 4, 4, px);
  // Destination partly outside: the source shifts along.
  TDIBSurface dst = Make(8, 4, 4, std::vector<uint32_t>(16, 0));
  dst.DrawOpaque(-1, 2, src);
  EXPECT_EQ(PixelsOf(dst), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0, 0, 11, 12, 13, 0, 15, 16, 17, 0}));
  // A source rectangle reaching outside the source draws only what exists.
  dst = Make(8, 4, 4, std::vector<uint32_t>(16, 0));
  dst.DrawKeyed(1, 1, -1, {-1, -1, 9, 2}, src);  // source (0, 0) lands at (2, 2)
  EXPECT_EQ(PixelsOf(dst), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 11, 0, 0, 14, 15}));
  dst = Make(8, 4, 4, std::vector<uint32_t>(16, 0));
  dst.DrawTranslucent(0, 0, 255, -1, {2, 3, 100000, 100000}, src);
  EXPECT_EQ(PixelsOf(dst), (std::vector<uint32_t>{24, 25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  // The clip rectangle limits the destination; one beyond the surface is cut to it.
  dst = Make(8, 4, 4, std::vector<uint32_t>(16, 0));
  dst.ClipRect = {2, 1, 100, 2};
  dst.DrawOpaque(0, 0, src);
  EXPECT_EQ(PixelsOf(dst), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 16, 17, 0, 0, 0, 0, 0, 0, 0, 0}));
  dst.DrawOpaque(0x7FFFFFF0, 0x7FFFFFF0, src);  // far away: nothing
  dst.DrawOpaque(-0x7FFFFFF0, 0, src);
  EXPECT_EQ(PixelsOf(dst), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 16, 17, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(TDIBSurface, BlocksBetweenDifferentFormatsAreRefused) {
  TDIBSurface a = Make(24, 2, 2, {});
  const TDIBSurface b = Make(32, 2, 2, {});
  EXPECT_THROW(a.DrawOpaque(0, 0, b), EInvalidGraphicOperation);
  TDIBSurface c;
  c.SetSize(2, 2, 15);
  const TDIBSurface d = Make(16, 2, 2, {});
  EXPECT_THROW(c.DrawAlpha(0, 0, 255, d.BoundsRect(), d), EInvalidGraphicOperation);
}

TEST(TDIBSurface, AlphaSurfaceFollowsSizeAndIsCopied) {
  TDIBSurface s = Make(24, 3, 2, {1, 2, 3, 4, 5, 6});
  s.CreateAlpha();
  s.Alpha()->SetPixel(2, 0, 99);
  s.Alpha()->SetPixel(0, 1, 42);
  TDIBSurface copy;
  copy.AssignSurface(s);
  ASSERT_NE(copy.Alpha(), nullptr);
  EXPECT_EQ(PixelsOf(copy), PixelsOf(s));
  EXPECT_EQ(PixelsOf(*copy.Alpha()), PixelsOf(*s.Alpha()));
  copy.MirrorHorizontal();
  EXPECT_EQ(PixelsOf(copy), (std::vector<uint32_t>{3, 2, 1, 6, 5, 4}));
  EXPECT_EQ(PixelsOf(*copy.Alpha()), (std::vector<uint32_t>{99, 0, 0, 0, 0, 42}));
  copy.FlipVertical();
  EXPECT_EQ(PixelsOf(copy), (std::vector<uint32_t>{6, 5, 4, 3, 2, 1}));
  EXPECT_EQ(PixelsOf(*copy.Alpha()), (std::vector<uint32_t>{0, 0, 42, 99, 0, 0}));

  TDIBSurface frame;
  frame.SetSize(3, 2, 24);
  frame.CopyAlpha(*s.Alpha());
  EXPECT_EQ(PixelsOf(*frame.Alpha()), PixelsOf(*s.Alpha()));
  frame.FillAlpha();
  EXPECT_EQ(PixelsOf(*frame.Alpha()), std::vector<uint32_t>(6, 255));
  frame.SetSize(5, 1, 24);
  EXPECT_EQ(frame.Alpha()->Width(), 5);
  EXPECT_EQ(frame.Alpha()->Height(), 1);
  frame.Clear();
  EXPECT_EQ(frame.Alpha(), nullptr);

  TDIBSurface plain;
  plain.SetSize(1, 1, 15);
  copy.AssignSurface(plain);  // the copy's alpha goes, the 5-5-5 format comes
  EXPECT_EQ(copy.Alpha(), nullptr);
  EXPECT_EQ(copy.EffectiveBitCount(), 15);
}

TEST(TDIBSurface, MirrorAtFourBitsWithAnOddWidth) {
  TDIBSurface s = Make(4, 5, 1, {1, 2, 3, 4, 5});
  s.MirrorHorizontal();
  EXPECT_EQ(PixelsOf(s), (std::vector<uint32_t>{5, 4, 3, 2, 1}));
}
