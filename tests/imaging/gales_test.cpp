#include "imaging/gales.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "archive/decompress.h"
#include "archive/rands.h"
#include "gale_builder.h"
#include "imaging/galewriter.h"
#include "imaging/jpeg_codec.h"

using namespace gale_test;

namespace {

// A deterministic 24-bit picture.
uint32_t P(int x, int y) {
  return ((x * 37 + y * 11) & 0xFF) | (((x * 5 + y * 71) & 0xFF) << 8) | ((((x ^ y) * 29) & 0xFF) << 16);
}
uint32_t Q(int x, int y) { return P(y + 3, x + 1) ^ 0x5A5A5A; }

std::unique_ptr<TGaleFrameList> Load(const std::string& bytes, int32_t key = 0, bool first = false) {
  auto list = std::make_unique<TGaleFrameList>(key);
  TMemoryStream m;
  Fill(m, bytes);
  list->LoadFromStream(m, first);
  return list;
}

std::vector<uint32_t> PixelsOf(const TDIB& s) {
  std::vector<uint32_t> out;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) out.push_back(s.Pixel(x, y));
  return out;
}

std::vector<uint32_t> Expected(int w, int h, uint32_t (*f)(int, int)) {
  std::vector<uint32_t> out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.push_back(f(x, y));
  return out;
}

// One frame, one opaque layer of P.
Image Simple(int version, int w, int h, uint8_t compression = 0) {
  Image im;
  im.version = version;
  im.compression = compression;
  Frame f;
  f.width = w;
  f.height = h;
  Layer l;
  const std::string rows = Rows(w, h, 24, P);
  l.colour = compression == 1 ? rows : Zlib(rows);
  f.layers.push_back(l);
  im.frames.push_back(f);
  return im;
}

// The bytes of w pixels of f from (x, y), as a 24-bit row stores them.
std::string Bytes24(uint32_t (*f)(int, int), int x, int y, int w) {
  std::string out;
  for (int i = 0; i < w; ++i) {
    const uint32_t v = f(x + i, y);
    out += static_cast<char>(v);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v >> 16);
  }
  return out;
}

std::string TileTable(const std::vector<std::pair<int32_t, int32_t>>& entries) {
  std::string out;
  for (const auto& e : entries) out += Le32(e.first) + Le32(e.second);
  return out;
}

}  // namespace

TEST(GaleReader, EachVersionReadsItsOwnLayout) {
  const std::string alpha_rows = Rows(3, 2, 8, [](int x, int y) { return uint32_t(40 * x + 100 * y); });
  for (int v : {0, 100, 101, 102, 103, 104, 105, 106}) {
    SCOPED_TRACE(v);
    Image im = Simple(v, 3, 2);
    im.background = 0x336699;
    im.first_opaque = 1;
    Layer& l = im.frames[0].layers[0];
    l.alpha_enabled = true;
    if (v >= 100) l.alpha = Zlib(alpha_rows);
    if (v >= 104) im.frames[0].info1.push_back(std::string(16, 'i'));
    im.frames[0].name = "絵";
    auto list = Load(Build(im));
    EXPECT_EQ(list->Version, v);
    EXPECT_EQ(list->BackgroundColor, v >= 102 ? 0x336699 : 0);
    EXPECT_EQ(list->FirstLayerOpaque, v >= 105);
    ASSERT_EQ(list->Count(), 1);
    TGaleFrame& f = list->Frames(0);
    EXPECT_EQ(f.Name, "絵");
    EXPECT_EQ(f.Count(), 0);  // layers are freed after the load
    EXPECT_EQ(PixelsOf(f.Surface), Expected(3, 2, P));
    // The alpha plane reaches the frame only when the layer enables it (101+).
    ASSERT_EQ(f.HasAlpha(), v >= 101);
    if (v >= 101) {
      EXPECT_EQ(PixelsOf(*f.Surface.Alpha()), (std::vector<uint32_t>{0, 40, 80, 100, 140, 180}));
    }
    EXPECT_EQ(f.InfoList1.size(), v >= 104 ? 1u : 0u);
  }
}

TEST(GaleReader, BackgroundShowsUnderInvisibleAndClearLayers) {
  for (bool visible : {false, true}) {
    Image im = Simple(106, 2, 2);
    im.background = 0x0000FF;  // red
    im.frames[0].layers[0].visible = visible;
    im.frames[0].layers[0].opacity = 0;
    EXPECT_EQ(PixelsOf(Load(Build(im))->Frames(0).Surface), std::vector<uint32_t>(4, 0xFF0000));
  }
  // A list loaded again with a picture that has no background starts from black.
  auto list = Load(Build(Simple(106, 1, 1)));
  Image red = Simple(106, 1, 1);
  red.background = 0x0000FF;
  TMemoryStream m;
  Fill(m, Build(red));
  list->LoadFromStream(m, false);
  EXPECT_EQ(list->BackgroundColor, 0x0000FF);
  Fill(m, Build(Simple(101, 1, 1)));
  list->LoadFromStream(m, false);
  EXPECT_EQ(list->BackgroundColor, 0);
}

TEST(GaleReader, FirstLayerOpaqueCopiesTheFirstVisibleLayerWithoutItsKey) {
  // 8-bit frame; layer pixels 5 are "transparent" unless the first visible
  // layer is copied opaquely.
  auto px = [](int x, int y) { return uint32_t((x + y) % 2 ? 5 : 7); };
  for (int flag : {0, 1}) {
    SCOPED_TRACE(flag);
    Image im;
    im.first_opaque = static_cast<uint8_t>(flag);
    Frame f;
    f.width = 4;
    f.height = 2;
    f.bits = 8;
    f.palette = {0x000000, 0, 0, 0, 0, 0x00FF00, 0, 0xFFFFFF, 0x0000FF};
    Layer hidden;
    hidden.visible = false;  // leaves the first layer pending
    hidden.colour = Zlib(Rows(4, 2, 8, [](int, int) { return 8u; }));
    Layer first;
    first.transparent = 5;
    first.colour = Zlib(Rows(4, 2, 8, px));
    Layer second = first;  // the next one keeps its key
    second.colour = Zlib(Rows(4, 2, 8, [](int x, int) { return x < 2 ? 8u : 5u; }));
    f.layers = {hidden, first, second};
    im.frames.push_back(f);
    const auto got = PixelsOf(Load(Build(im))->Frames(0).Surface);
    const std::vector<uint32_t> want = flag ? std::vector<uint32_t>{8, 8, 7, 5, 8, 8, 5, 7}
                                            : std::vector<uint32_t>{8, 8, 7, 0, 8, 8, 0, 7};
    EXPECT_EQ(got, want);
  }
}

TEST(GaleReader, AlphaLayersBlendAndIgnoreTheirKey) {
  // 32 bits: layer 0 lends its alpha plane to the frame and is copied; layer 1
  // blends through its plane; layer 2 has a plane but does not enable it, so
  // it is an opaque copy and its transparent value is dropped.
  Image im;
  Frame f;
  f.width = 2;
  f.height = 1;
  f.bits = 32;
  Layer bottom;
  bottom.alpha_enabled = true;
  bottom.colour = Zlib(Rows(2, 1, 32, [](int x, int) { return x ? 0x00C80000u : 0x00101010u; }));
  bottom.alpha = Zlib(Rows(2, 1, 8, [](int x, int) { return x ? 77u : 200u; }));
  Layer blend;
  blend.alpha_enabled = true;
  blend.colour = Zlib(Rows(2, 1, 32, [](int, int) { return 0x00006432u; }));
  blend.alpha = Zlib(Rows(2, 1, 8, [](int x, int) { return x ? 100u : 0u; }));
  f.layers = {bottom, blend};
  im.frames.push_back(f);
  TGaleFrame* frame;
  auto list = Load(Build(im));
  frame = &list->Frames(0);
  // Blend32(0x00C80000, 0x00006432, 100) = 0x792713, as in the surface tests.
  EXPECT_EQ(PixelsOf(frame->Surface), (std::vector<uint32_t>{0x00101010, 0x792713}));
  ASSERT_TRUE(frame->HasAlpha());
  EXPECT_EQ(PixelsOf(*frame->Surface.Alpha()), (std::vector<uint32_t>{200, 77}));

  Layer keyed;
  keyed.transparent = 0x00ABCDEF;
  keyed.colour = Zlib(Rows(2, 1, 32, [](int x, int) { return x ? 0x00ABCDEFu : 1u; }));
  keyed.alpha = Zlib(Rows(2, 1, 8, [](int, int) { return 0u; }));
  im.frames[0].layers.push_back(keyed);
  EXPECT_EQ(PixelsOf(Load(Build(im))->Frames(0).Surface), (std::vector<uint32_t>{1, 0x00ABCDEF}));
}

TEST(GaleReader, FifteenBitFramesUseFiveFiveFive) {
  Image im;
  im.background = 0x0000FF;
  Frame f;
  f.width = 2;
  f.height = 2;
  f.bits = 15;
  f.transparent = 0x03E0;
  Layer l;
  l.opacity = 0;
  l.colour = Zlib(Rows(2, 2, 15, [](int x, int y) { return uint32_t(x + 2 * y); }));
  f.layers = {l};
  im.frames.push_back(f);
  auto list = Load(Build(im));
  const TGaleFrame& frame = list->Frames(0);
  EXPECT_EQ(frame.Surface.EffectiveBitCount(), 15);
  EXPECT_EQ(frame.TransparentColor, 0x00FF00);  // green 31 of 31, read back as a colour
  EXPECT_EQ(PixelsOf(frame.Surface), std::vector<uint32_t>(4, 0x7C00));  // the red background
}

TEST(GaleReader, TransparentColourOfAPaletteFrame) {
  Image im = Simple(106, 2, 1);
  Frame& f = im.frames[0];
  f.bits = 4;
  f.palette = {0, 0, 0x102030};
  f.transparent = 0x12;  // only the low nibble lands in a 4-bit pixel
  f.layers[0].colour = Zlib(Rows(2, 1, 4, [](int x, int) { return uint32_t(x); }));
  auto list = Load(Build(im));
  EXPECT_EQ(list->Frames(0).TransparentIndex, 0x12);
  EXPECT_EQ(list->Frames(0).TransparentColor, 0x302010);
}

TEST(GaleReader, TilesAtTheEdgesAndTileReferences) {
  // 10 × 7 in tiles of 4 × 3: three columns (4, 4, 2 wide) and three rows
  // (3, 3, 1 high). The middle tile repeats tile 0.
  const int W = 10, H = 7, tw = 4, th = 3;
  std::vector<std::pair<int32_t, int32_t>> table;
  std::string data;
  for (int ty = 0; ty < 3; ++ty)
    for (int tx = 0; tx < 3; ++tx) {
      if (tx == 1 && ty == 1) {
        table.push_back({-2, 0});
        continue;
      }
      table.push_back({-1, 0});
      const int x = tx * tw, y = ty * th, w = std::min(tw, W - x), h = std::min(th, H - y);
      for (int r = 0; r < h; ++r) data += Bytes24(P, x, y + r, w);
    }
  std::vector<uint32_t> want = Expected(W, H, P);
  for (int y = 3; y < 6; ++y)
    for (int x = 4; x < 8; ++x) want[static_cast<size_t>(y * W + x)] = P(x - 4, y - 3);
  for (uint8_t compression : {0, 1}) {
    SCOPED_TRACE(int(compression));
    Image im = Simple(106, W, H, compression);
    im.tile_width = tw;
    im.tile_height = th;
    const std::string plane = TileTable(table) + data;
    im.frames[0].layers[0].colour = compression ? plane : Zlib(plane);
    EXPECT_EQ(PixelsOf(Load(Build(im))->Frames(0).Surface), want);
  }
}

TEST(GaleReader, TileCopiesFromNarrowerTilesStayInsideTheSurface) {
  // 10 × 6 in tiles of 4 × 3; tile 4 (a full one at (4, 3)) repeats tile 2, the
  // two-pixel-wide edge tile at (8, 0). Only what tile 2 has is copied.
  std::vector<std::pair<int32_t, int32_t>> table(6, {-1, 0});
  table[4] = {-2, 2};
  std::string data;
  for (int k = 0; k < 6; ++k) {
    if (k == 4) continue;
    const int x = (k % 3) * 4, y = (k / 3) * 3, w = std::min(4, 10 - x);
    for (int r = 0; r < 3; ++r) data += Bytes24(P, x, y + r, w);
  }
  Image im = Simple(106, 10, 6);
  im.tile_width = 4;
  im.tile_height = 3;
  im.frames[0].layers[0].colour = Zlib(TileTable(table) + data);
  auto list = Load(Build(im));
  const TDIBSurface& s = list->Frames(0).Surface;
  for (int r = 0; r < 3; ++r)
    for (int i = 0; i < 2; ++i) EXPECT_EQ(s.Pixel(4 + i, 3 + r), P(8 + i, r)) << i << "," << r;
  EXPECT_EQ(s.Pixel(8, 3), P(8, 3));  // the tile beside it is its own
}

TEST(GaleReader, SubByteTilesThatOverrunTheirRowAreRefused) {
  // At 1 bit, tiles one pixel wide start a whole byte apart: the ninth tile of
  // a 40-pixel row would start past the row's 8 bytes.
  Image im;
  Frame f;
  f.width = 40;
  f.bits = 1;
  f.palette = {0, 0xFFFFFF};
  Layer l;
  l.colour = Zlib(TileTable(std::vector<std::pair<int32_t, int32_t>>(40, {-1, 0})) + std::string(40, '\x80'));
  f.layers = {l};
  im.frames = {f};
  im.tile_width = im.tile_height = 1;
  EXPECT_THROW(Load(Build(im)), EGaleError);
  // Four pixels: a 4-byte row holds the four tiles' bytes (pixels 0, 8, 16,
  // 24 of it, of which only the first lies inside the picture).
  im.frames[0].width = 4;
  im.frames[0].layers[0].colour =
      Zlib(TileTable(std::vector<std::pair<int32_t, int32_t>>(4, {-1, 0})) + std::string(4, '\x80'));
  EXPECT_EQ(PixelsOf(Load(Build(im))->Frames(0).Surface), std::vector<uint32_t>({1, 0, 0, 0}));
}

TEST(GaleReader, TilesFromAnEarlierFrameAndTheirFailures) {
  // Frame 1 takes every tile from layer 0 of frame 0 (alpha too).
  auto make = [](int32_t frame, int32_t layer, bool second_has_alpha) {
    Image im = Simple(106, 4, 2);
    im.tile_width = 2;
    im.tile_height = 2;
    std::string plane = TileTable({{-1, 0}, {-1, 0}});
    for (int tx = 0; tx < 2; ++tx)
      for (int r = 0; r < 2; ++r) plane += Bytes24(P, 2 * tx, r, 2);
    Layer& l0 = im.frames[0].layers[0];
    l0.colour = Zlib(plane);
    l0.alpha_enabled = true;
    l0.alpha = Zlib(TileTable({{-1, 0}, {-1, 0}}) + "\x01\x02\x03\x04\x05\x06\x07\x08");
    Frame f1 = im.frames[0];
    f1.layers[0].colour = Zlib(TileTable({{frame, layer}, {frame, layer}}));
    f1.layers[0].alpha = second_has_alpha ? Zlib(TileTable({{frame, layer}, {frame, layer}})) : "";
    im.frames.push_back(f1);
    return Build(im);
  };
  auto list = Load(make(0, 0, true));
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(PixelsOf(list->Frames(1).Surface), PixelsOf(list->Frames(0).Surface));
  EXPECT_EQ(PixelsOf(*list->Frames(1).Surface.Alpha()), (std::vector<uint32_t>{1, 2, 5, 6, 3, 4, 7, 8}));
  // A later frame, a missing layer.
  for (auto ref : {std::make_pair(2, 0), std::make_pair(0, 1), std::make_pair(-3, 0)}) {
    SCOPED_TRACE(testing::Message() << ref.first << ":" << ref.second);
    EXPECT_THROW(Load(make(ref.first, ref.second, false)), EGaleError);
  }
  // An alpha tile from a layer without an alpha plane.
  Image im = Simple(106, 2, 2);
  im.tile_width = im.tile_height = 2;
  im.frames[0].layers[0].alpha = Zlib(TileTable({{0, 0}}));
  EXPECT_THROW(Load(Build(im)), EGaleError);
}

TEST(GaleReader, ScrambledRowsNeedTheRightKey) {
  const int W = 5, H = 6;
  const int32_t key = 0x12345;
  std::string plane;
  TTpRandom random(key);
  random.InitPool(H);
  for (int i = 0; i < H; ++i) plane += Rows(W, 1, 24, [&, row = random.Pick()](int x, int) { return P(x, row); });
  Image im = Simple(106, W, H);
  im.scrambled = 1;
  im.frames[0].layers[0].colour = Zlib(plane);
  EXPECT_EQ(PixelsOf(Load(Build(im), key)->Frames(0).Surface), Expected(W, H, P));
  // Another key: the same rows in other places, and no error.
  const auto wrong = PixelsOf(Load(Build(im), key + 1)->Frames(0).Surface);
  EXPECT_NE(wrong, Expected(W, H, P));
  const std::vector<uint32_t> right = Expected(W, H, P);
  std::vector<std::vector<uint32_t>> rows_want, rows_got;
  for (int y = 0; y < H; ++y) {
    rows_want.emplace_back(right.begin() + y * W, right.begin() + (y + 1) * W);
    rows_got.emplace_back(wrong.begin() + y * W, wrong.begin() + (y + 1) * W);
  }
  std::sort(rows_want.begin(), rows_want.end());
  std::sort(rows_got.begin(), rows_got.end());
  EXPECT_EQ(rows_got, rows_want);
}

TEST(GaleReader, ScrambledTilesNeedTheRightKey) {
  TDIBSurface picture;
  picture.SetSize(16, 9, 24);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 16; ++x) picture.SetPixel(x, y, P(x % 4, y % 3) + uint32_t((x / 4 + y / 3) % 3));
  // Only references make the order of the table matter: the tiles repeat.
  TGaleWriteOptions o;
  o.TileWidth = 4;
  o.TileHeight = 3;
  o.Scramble = true;
  o.Key = -77;
  TMemoryStream m;
  WriteGalePicture(m, picture, o);
  const std::string bytes(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
  EXPECT_EQ(PixelsOf(Load(bytes, -77)->Frames(0).Surface), PixelsOf(picture));
  EXPECT_NE(PixelsOf(Load(bytes, 5)->Frames(0).Surface), PixelsOf(picture));
}

TEST(GaleReader, FirstFrameOnlyStopsAfterFrameZero) {
  Image im = Simple(106, 2, 2);
  Frame second = im.frames[0];
  second.layers[0].colour = Zlib(Rows(2, 2, 24, Q));
  im.frames.push_back(second);
  auto all = Load(Build(im));
  ASSERT_EQ(all->Count(), 2);
  EXPECT_EQ(PixelsOf(all->Frames(1).Surface), Expected(2, 2, Q));
  auto first = Load(Build(im), 0, true);
  ASSERT_EQ(first->Count(), 1);
  EXPECT_EQ(PixelsOf(first->Frames(0).Surface), Expected(2, 2, P));
  EXPECT_THROW(first->Frames(1), EListError);
}

TEST(GaleReader, JpegColourPlanes) {
  // A smooth picture survives JPEG at quality 95 within a few levels.
  for (bool with_alpha : {false, true}) {
    SCOPED_TRACE(with_alpha);
    TDIBSurface picture;
    picture.SetSize(40, 24, with_alpha ? 32 : 24);
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 40; ++x) picture.SetPixel(x, y, uint32_t(x * 6) << 16 | uint32_t(y * 10) << 8 | 0x40);
    if (with_alpha) {
      picture.CreateAlpha();
      for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 40; ++x) picture.Alpha()->SetPixel(x, y, uint32_t(x * y) & 0xFF);
    }
    TGaleWriteOptions o;
    o.Compression = TGaleWriteOptions::TCompression::kJpeg;
    o.JpegQuality = 95;
    TMemoryStream m;
    WriteGalePicture(m, picture, o);
    const std::string bytes(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
    auto list = Load(bytes);
    const TDIBSurface& got = list->Frames(0).Surface;
    ASSERT_EQ(got.BitCount(), picture.BitCount());
    int worst = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 40; ++x)
        for (int shift : {0, 8, 16}) {
          const int a = (picture.Pixel(x, y) >> shift) & 0xFF, b = (got.Pixel(x, y) >> shift) & 0xFF;
          worst = std::max(worst, std::abs(a - b));
        }
    EXPECT_LE(worst, 10);
    EXPECT_GT(got.Pixel(39, 23) >> 16, 200u);  // not a grey or empty picture
    ASSERT_EQ(got.Alpha() != nullptr, with_alpha);
    if (with_alpha) {
      EXPECT_EQ(PixelsOf(*got.Alpha()), PixelsOf(*picture.Alpha()));  // lossless
    }
  }
  // A JPEG of another size than the frame is refused before it is decoded.
  TDIB small;
  small.SetSize(8, 8, 24);
  Image im = Simple(106, 10, 10, 2);
  im.frames[0].layers[0].colour = EncodeJpeg(small, 80);
  EXPECT_THROW(Load(Build(im)), EJpegError);
  im.frames[0].layers[0].colour = "\xFF\xD8 not a jpeg";
  EXPECT_THROW(Load(Build(im)), EJpegError);
}

TEST(GaleReader, DamagedHeadersAndSizesFailCleanly) {
  const struct {
    const char* what;
    std::function<void(Image&)> damage;
  } cases[] = {
      {"header length 41", [](Image& im) { im.header_length = 41; }},
      {"header length -1", [](Image& im) { im.header_length = -1; }},
      {"negative frame count", [](Image& im) { im.frame_count = -2; }},
      {"more frames than data", [](Image& im) { im.frame_count = 1000000; }},
      {"negative width", [](Image& im) { im.frames[0].width = -5; }},
      {"absurd size", [](Image& im) { im.frames[0].width = im.frames[0].height = 0x7FFFFFFF; }},
      {"too large", [](Image& im) { im.frames[0].width = im.frames[0].height = 70000; }},
      {"layer count", [](Image& im) { im.frames[0].layer_count = 1000000000; }},
      {"negative layer count", [](Image& im) { im.frames[0].layer_count = -2; }},
      {"compression 3", [](Image& im) { im.compression = 3; }},
      {"empty colour block", [](Image& im) { im.frames[0].layers[0].colour.clear(); }},
      {"short stored plane", [](Image& im) {
         im.compression = 1;
         im.frames[0].layers[0].colour = Rows(4, 3, 24, P).substr(1);
       }},
      {"short zlib plane", [](Image& im) { im.frames[0].layers[0].colour = Zlib(Rows(4, 2, 24, P)); }},
      {"tile table beyond the plane", [](Image& im) {
         im.tile_width = im.tile_height = 1;
         im.frames[0].layers[0].colour = Zlib(TileTable({{-1, 0}}));
       }},
      {"tile reference out of range", [](Image& im) {
         im.tile_width = 4;
         im.tile_height = 3;
         im.frames[0].layers[0].colour = Zlib(TileTable({{-2, 1}}));
       }},
      {"damaged zlib", [](Image& im) { im.frames[0].layers[0].colour = "\x78\x9C garbage"; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Image im = Simple(106, 4, 3);
    c.damage(im);
    EXPECT_THROW(Load(Build(im)), EFormatError);
  }
  Image im = Simple(106, 4, 3);
  im.frames[0].bits = 7;
  try {
    Load(Build(im));
    ADD_FAILURE() << "no error";
  } catch (const EInvalidGraphicOperation& e) {
    EXPECT_STREQ(e.what(), "不正なビット数です (7)");
  }
  try {
    Load("GaleX12" + Build(Simple(0, 1, 1)));
    ADD_FAILURE() << "no error";
  } catch (const EGaleError& e) {
    EXPECT_STREQ(e.what(), "'X12' は有効な整数ではありません");
  }
}

TEST(GaleReader, ManyLargeLayersStopAtTheMemoryBound) {
  // 6000 × 6000 at 32 bits is 144 MB a surface; the tiles repeat one stored
  // tile, so the file stays small. The frame and three layers pass the bound
  // of 512 MB only with the fourth layer, which is refused before allocation.
  const int side = 6000, tile = 600, n = (side / tile) * (side / tile);
  std::vector<std::pair<int32_t, int32_t>> table(static_cast<size_t>(n), {-2, 0});
  table[0] = {-1, 0};
  const std::string plane = TileTable(table) + std::string(static_cast<size_t>(tile) * tile * 4, '\x11');
  Image im;
  im.compression = 1;
  im.tile_width = im.tile_height = tile;
  Frame f;
  f.width = f.height = side;
  f.bits = 32;
  Layer l;
  l.colour = plane;
  f.layers.assign(4, l);
  im.frames.push_back(f);
  try {
    Load(Build(im));
    ADD_FAILURE() << "no error";
  } catch (const EGaleError& e) {
    EXPECT_NE(std::string(e.what()).find("レイヤー 2"), std::string::npos) << e.what();
  }
}

namespace {

// A picture using most features: two frames, palette and true colour, tiles,
// alpha, info lists.
std::string RichPicture() {
  Image im = Simple(106, 6, 4);
  im.tile_width = 4;
  im.tile_height = 2;
  im.background = 0x102030;
  std::string plane = TileTable({{-1, 0}, {-1, 0}, {-2, 0}, {-1, 0}});
  plane += Bytes24(P, 0, 0, 4) + Bytes24(P, 0, 1, 4) + Bytes24(P, 4, 0, 2) + Bytes24(P, 4, 1, 2);
  plane += Bytes24(P, 4, 2, 2) + Bytes24(P, 4, 3, 2);
  im.frames[0].layers[0].colour = Zlib(plane);
  im.frames[0].layers[0].alpha_enabled = true;
  im.frames[0].layers[0].alpha = Zlib(TileTable({{-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}}) + std::string(24, '\x7F'));
  im.frames[0].info1.push_back(std::string(16, 'a'));
  Frame pal;
  pal.width = 6;
  pal.height = 4;
  pal.bits = 4;
  pal.transparent = 3;
  pal.palette = {0, 0xFF, 0xFF00, 0xFF0000};
  Layer l;
  l.transparent = 1;
  l.opacity = 100;
  l.colour = Zlib(TileTable({{-1, 0}, {-1, 0}, {-2, 1}, {-2, 0}}) + "\x12\x30\x12\x30\x21\x03");
  pal.layers = {l};
  im.frames.push_back(pal);
  Frame copy = im.frames[0];  // every tile from frame 0
  copy.layers[0].colour = Zlib(TileTable({{0, 0}, {0, 0}, {0, 0}, {0, 0}}));
  copy.layers[0].alpha = Zlib(TileTable({{0, 0}, {0, 0}, {0, 0}, {0, 0}}));
  im.frames.push_back(copy);
  return Build(im);
}

}  // namespace

TEST(GaleReader, TruncatedPicturesFailAtEveryLength) {
  const std::string bytes = RichPicture();
  auto list = Load(bytes);
  ASSERT_EQ(list->Count(), 3);
  EXPECT_EQ(PixelsOf(list->Frames(2).Surface), PixelsOf(list->Frames(0).Surface));
  // Opacity 100 is dither level 6: (2, 0) is drawn, (1, 0) is not, (0, 0) holds the key.
  EXPECT_EQ(PixelsOf(list->Frames(1).Surface)[2], 3u);
  EXPECT_EQ(PixelsOf(list->Frames(1).Surface)[1], 0u);
  EXPECT_EQ(PixelsOf(list->Frames(1).Surface)[0], 0u);
  const std::string good = Build(Simple(106, 6, 4));
  for (const std::string& full : {good, bytes}) {
    for (size_t cut = 0; cut < full.size(); ++cut) {
      SCOPED_TRACE(cut);
      EXPECT_THROW(Load(full.substr(0, cut)), EFormatError);
    }
  }
}

TEST(GaleReader, FlippedBytesNeverBreakTheReader) {
  // Every byte flipped in turn: the picture reads or fails with a format error.
  for (const std::string& original : {RichPicture(), Build(Simple(104, 3, 3, 1))}) {
    int failures = 0;
    for (size_t i = 0; i < original.size(); ++i) {
      for (uint8_t flip : {0xFF, 0x01, 0x80}) {
        std::string damaged = original;
        damaged[i] = static_cast<char>(damaged[i] ^ flip);
        try {
          Load(damaged);
        } catch (const EFormatError&) {
          ++failures;
        }
      }
    }
    EXPECT_GT(failures, 0);
  }
}

TEST(GaleFrame, MakeAlphaFromTransparentClearsTheKeyedPixels) {
  TGaleFrameList list(0);
  TGaleFrame frame(&list);
  frame.Surface.SetSize(3, 1, 8);
  frame.Surface.SetPixel(1, 0, 4);
  frame.TransparentIndex = 4;
  frame.MakeAlphaFromTransparent();
  ASSERT_TRUE(frame.HasAlpha());
  EXPECT_EQ(PixelsOf(*frame.Surface.Alpha()), (std::vector<uint32_t>{255, 0, 255}));
  frame.Surface.SetPixel(0, 0, 4);  // an existing alpha surface is kept, then keyed again
  frame.Surface.Alpha()->SetPixel(2, 0, 9);
  frame.MakeAlphaFromTransparent();
  EXPECT_EQ(PixelsOf(*frame.Surface.Alpha()), (std::vector<uint32_t>{0, 0, 9}));
  frame.TransparentIndex = -1;
  frame.Surface.FreeAlpha();
  frame.MakeAlphaFromTransparent();
  EXPECT_EQ(PixelsOf(*frame.Surface.Alpha()), (std::vector<uint32_t>{255, 255, 255}));
}

TEST(GaleReader, TheSurfaceBudgetIsTheListsOwn) {
  // 40 × 30 at 24 bits: 3,600 bytes for the frame and as many for its layer.
  const std::string bytes = Build(Simple(106, 40, 30));
  for (const int64_t budget : {int64_t{7200}, int64_t{7199}, int64_t{3600}, kMaxGaleSurfaceBytes}) {
    SCOPED_TRACE(budget);
    TGaleFrameList list(0);
    EXPECT_EQ(list.MaxSurfaceBytes, kMaxGaleSurfaceBytes);
    list.MaxSurfaceBytes = budget;
    TMemoryStream m;
    Fill(m, bytes);
    if (budget >= 7200) {
      list.LoadFromStream(m, false);
      EXPECT_EQ(PixelsOf(list.Frames(0).Surface), Expected(40, 30, P));
    } else {
      try {
        list.LoadFromStream(m, false);
        ADD_FAILURE() << "loaded beyond the budget";
      } catch (const EGaleError& e) {
        EXPECT_NE(std::string(e.what()).find(std::to_string(budget)), std::string::npos) << e.what();
      }
    }
  }
}
