#include "imaging/dib.h"

#include <gtest/gtest.h>

#include <cstring>

#include "imaging/dibsfc.h"

TEST(TDIB, RowsLieBottomUpWithDwordStride) {
  const struct {
    int width, bits, stride;
  } cases[] = {{1, 1, 4}, {33, 1, 8}, {7, 4, 4}, {9, 4, 8}, {5, 8, 8}, {3, 16, 8}, {3, 24, 12}, {5, 24, 16}, {3, 32, 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " px at " << c.bits);
    TDIB b;
    if (c.bits == 16) b.SetPixelFormat(5, 6, 5);
    b.SetSize(c.width, 3, c.bits);
    EXPECT_EQ(b.Stride(), c.stride);
    EXPECT_EQ(b.ImageSize(), static_cast<size_t>(c.stride) * 3);
    EXPECT_EQ(b.ScanLine(2), b.Bits());  // the bottom row comes first in memory
    EXPECT_EQ(b.ScanLine(0), b.Bits() + 2 * c.stride);
    EXPECT_EQ(b.NextLine(), -c.stride);
  }
}

TEST(TDIB, InfoDescribesTheMemoryAsABitmapInfo) {
  TDIB pal;
  pal.SetSize(5, 2, 8);
  pal.ColorTable()[3] = {1, 2, 3, 0};
  TDIBInfo info = pal.Info();
  EXPECT_EQ(info.Header.biSize, 40u);
  EXPECT_EQ(info.Header.biWidth, 5);
  EXPECT_EQ(info.Header.biHeight, 2);  // positive: bottom-up
  EXPECT_EQ(info.Header.biBitCount, 8);
  EXPECT_EQ(info.Header.biCompression, 0u);
  EXPECT_EQ(info.Header.biClrUsed, 256u);
  EXPECT_EQ(info.Header.biSizeImage, 16u);
  EXPECT_EQ(info.Colors[3].Red, 3);

  TDIBSurface hi;
  hi.SetSize(2, 2, 15);
  info = hi.Info();
  uint32_t masks[3];
  std::memcpy(masks, info.Colors, sizeof masks);
  EXPECT_EQ(info.Header.biCompression, 3u);  // bit fields
  EXPECT_EQ(masks[0], 0x7C00u);
  EXPECT_EQ(masks[1], 0x03E0u);
  EXPECT_EQ(masks[2], 0x001Fu);
}

TEST(TDIB, InvalidBitCountsAndFormatsFailAndKeepThePixels) {
  TDIB b;
  b.SetSize(2, 2, 8);
  b.SetPixel(1, 1, 77);
  for (int bits : {0, 2, 7, 15, 33}) {
    SCOPED_TRACE(bits);
    try {
      b.SetSize(3, 3, bits);
      ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_EQ(std::string(e.what()), "不正なビット数です (" + std::to_string(bits) + ")");
    }
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(b.Pixel(1, 1), 77u);
  }
  try {
    b.SetPixelFormat(8, 8, 8);  // fine for 24 and 32 bits, not for 16
    b.SetSize(2, 2, 16);
    ADD_FAILURE() << "no error";
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_STREQ(e.what(), "不正なピクセルフォーマットです");
  }
  EXPECT_EQ(b.Pixel(1, 1), 77u);
  EXPECT_THROW(b.SetPixelFormat(4, 4, 4), EInvalidGraphicOperation);
}

TEST(TDIB, SizesAboveTheBoundAreRefused) {
  TDIB b;
  EXPECT_THROW(b.SetSize(0x7FFFFFFF, 0x7FFFFFFF, 32), EInvalidGraphicOperation);
  EXPECT_THROW(b.SetSize(100000, 100000, 24), EInvalidGraphicOperation);
  EXPECT_TRUE(b.Empty());
  b.SetSize(-5, 10, 24);  // not an error: empty
  EXPECT_TRUE(b.Empty());
}

TEST(TDIB, PixelsRoundTripAtEveryDepth) {
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    TDIB b;
    if (bits == 16) b.SetPixelFormat(5, 6, 5);
    b.SetSize(9, 2, bits);
    const uint32_t mask = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    for (int x = 0; x < 9; ++x) b.SetPixel(x, 1, (0x9E3779B9u * (x + 1)) & mask);
    for (int x = 0; x < 9; ++x) EXPECT_EQ(b.Pixel(x, 1), (0x9E3779B9u * (x + 1)) & mask) << x;
    for (int x = 0; x < 9; ++x) EXPECT_EQ(b.Pixel(x, 0), 0u);
    EXPECT_EQ(b.Pixel(9, 0), 0u);  // outside
    b.SetPixel(-1, 0, 1);          // ignored
  }
}

TEST(TDIB, DisplayColoursScaleEveryFieldToFullRange) {
  TDIBSurface s;
  s.SetSize(1, 1, 15);
  EXPECT_EQ(s.ValueToDisplayColor(0x7FFF), 0xFFFFFF);
  EXPECT_EQ(s.ValueToDisplayColor(0x7C00), 0x0000FF);  // red is the low byte of a colour
  EXPECT_EQ(s.ValueToDisplayColor(0x0010), 0x840000);  // 16 of 31 -> 0x84
  TRGBTriple t = s.ValueToColor(0x7C1F);
  EXPECT_EQ(t.Red, 31);
  EXPECT_EQ(t.Blue, 31);
  s.SetSize(1, 1, 16);
  EXPECT_EQ(s.ValueToDisplayColor(0x07E0), 0x00FF00);
  EXPECT_EQ(s.ValueToColor(0x07E0).Green, 63);
  s.SetSize(1, 1, 32);
  EXPECT_EQ(s.ValueToDisplayColor(0xAA112233), 0x332211);
  s.SetSize(1, 1, 4);
  s.ColorTable()[5] = {0x10, 0x20, 0x30, 0};
  EXPECT_EQ(s.ValueToDisplayColor(5), 0x102030);
}

TEST(TDIB, DrawTo24TurnsEveryDepthIntoBlueGreenRed) {
  TDIBSurface pal;
  pal.SetSize(3, 1, 4);
  pal.ColorTable()[1] = {10, 20, 30, 0};
  pal.ColorTable()[2] = {40, 50, 60, 0};
  pal.SetPixel(0, 0, 1);
  pal.SetPixel(1, 0, 2);
  pal.SetPixel(2, 0, 1);
  TDIBSurface hi;
  hi.SetSize(2, 1, 15);
  hi.SetPixel(0, 0, 0x7C00);
  hi.SetPixel(1, 0, 0x001F);
  TDIBSurface full;
  full.SetSize(1, 1, 32);
  full.SetPixel(0, 0, 0xFF010203);

  TDIB dest;
  dest.SetSize(4, 2, 24);
  pal.DrawTo24(dest, 2, 1);  // the third pixel falls outside
  EXPECT_EQ(dest.Pixel(2, 1), 0x1E140Au);
  EXPECT_EQ(dest.Pixel(3, 1), 0x3C3228u);
  hi.DrawTo24(dest, -1, 0);  // the first pixel falls outside
  EXPECT_EQ(dest.Pixel(0, 0), 0x0000FFu);
  full.DrawTo24(dest, 3, 0);
  EXPECT_EQ(dest.Pixel(3, 0), 0x010203u);
  EXPECT_EQ(dest.Pixel(1, 0), 0u);

  TDIB converted;
  pal.ConvertTo24(converted);
  EXPECT_EQ(converted.BitCount(), 24);
  EXPECT_EQ(converted.Pixel(2, 0), 0x1E140Au);
  TDIB wrong;
  wrong.SetSize(1, 1, 32);
  EXPECT_THROW(pal.DrawTo24(wrong, 0, 0), EInvalidGraphicOperation);
}
