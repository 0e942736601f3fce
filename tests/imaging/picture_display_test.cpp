#include "imaging/picture_display.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "common/temp_dir.h"
#include "imaging/galewriter.h"

using testing_support::TempDir;

namespace {

// A 24-bit picture whose pixel (x, y) has red x, green y, blue 7.
TDIBSurface Gradient(int w, int h) {
  TDIBSurface s;
  s.SetSize(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, (uint32_t(x) << 16) | (uint32_t(y) << 8) | 7);
  return s;
}

// A folder with the picture as a loose file, opened as an archive would be.
struct PictureFolder {
  TempDir dir;
  TVrFileCollection archive;
  explicit PictureFolder(const TDIBSurface& picture, int32_t key = 0) {
    TMemoryStream m;
    TGaleWriteOptions o;
    o.Scramble = key != 0;
    o.Key = key;
    WriteGalePicture(m, picture, o);
    m.SaveToFile(dir / "back.gal");
    archive.Open(dir / "game.dat", true);  // no data file: entries come from the folder
  }
};

}  // namespace

TEST(PictureDisplay, CentredAndStretchedKeepThePicturesSize) {
  PictureFolder f(Gradient(100, 80));
  for (uint8_t mode : {kBackgroundCenter, kBackgroundStretch}) {
    SCOPED_TRACE(mode);
    TDIB bitmap;
    const PictureLayout layout = LayOutPicture(f.archive, "back.gal", mode, 0, 600, 400, bitmap);
    EXPECT_EQ(layout.center, mode == kBackgroundCenter);
    EXPECT_EQ(layout.stretch, mode == kBackgroundStretch);
    ASSERT_EQ(bitmap.Width(), 100);
    ASSERT_EQ(bitmap.Height(), 80);
    EXPECT_EQ(bitmap.BitCount(), 24);
    EXPECT_EQ(bitmap.Pixel(0, 0), 0x000007u);
    EXPECT_EQ(bitmap.Pixel(99, 79), (99u << 16) | (79u << 8) | 7);
  }
}

TEST(PictureDisplay, TilesRepeatFromTheTopLeftAndAreCutAtTheEdges) {
  PictureFolder f(Gradient(100, 80));
  TDIB bitmap;
  const PictureLayout layout = LayOutPicture(f.archive, "back.gal", kBackgroundTile, 0, 250, 200, bitmap);
  EXPECT_FALSE(layout.center || layout.stretch);
  ASSERT_EQ(bitmap.Width(), 250);
  ASSERT_EQ(bitmap.Height(), 200);
  // Copies start at x = 0, 100, 200 and y = 0, 80, 160.
  for (int x : {0, 100, 200})
    for (int y : {0, 80, 160}) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      EXPECT_EQ(bitmap.Pixel(x, y), 0x000007u);
    }
  EXPECT_EQ(bitmap.Pixel(249, 199), (49u << 16) | (39u << 8) | 7);  // cut copies
  EXPECT_EQ(bitmap.Pixel(199, 159), (99u << 16) | (79u << 8) | 7);
}

TEST(PictureDisplay, UnknownModeDecodesButShowsNothing) {
  PictureFolder f(Gradient(10, 10));
  TDIB bitmap;
  LayOutPicture(f.archive, "back.gal", 3, 0, 600, 400, bitmap);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.PixelFormat(), MakePixelFormat(8, 8, 8));
  // Decoded all the same: a damaged picture fails in this mode too.
  testing_support::WriteFileBytes(f.dir / "bad.gal", "Gale106 not a picture");
  EXPECT_THROW(LayOutPicture(f.archive, "bad.gal", 3, 0, 600, 400, bitmap), EFormatError);
}

TEST(PictureDisplay, TheKeyUnscramblesThePicture) {
  const TDIBSurface picture = Gradient(16, 64);
  PictureFolder f(picture, 0x1234567);
  TDIB right, wrong;
  LayOutPicture(f.archive, "back.gal", kBackgroundCenter, 0x1234567, 600, 400, right);
  LayOutPicture(f.archive, "back.gal", kBackgroundCenter, 0x7654321, 600, 400, wrong);
  int differing_rows = 0;
  for (int y = 0; y < 64; ++y) {
    EXPECT_EQ(right.Pixel(3, y), picture.Pixel(3, y));
    if (wrong.Pixel(3, y) != picture.Pixel(3, y)) ++differing_rows;
  }
  EXPECT_GT(differing_rows, 32);  // rows land elsewhere, without an error
}

TEST(PictureDisplay, AMissingEntryRaisesTheArchivesMessage) {
  PictureFolder f(Gradient(4, 4));
  TDIB bitmap;
  try {
    LayOutPicture(f.archive, "none.gal", kBackgroundCenter, 0, 600, 400, bitmap);
    FAIL();
  } catch (const EError& e) {
    EXPECT_STREQ(e.what(), "none.gal:ファイルがありません");
  }
  EXPECT_TRUE(bitmap.Empty());
}
