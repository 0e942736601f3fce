#include "galetool.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sstream>

#include "base/encoding.h"
#include "base/fs.h"
#include "common/run_tool.h"
#include "common/temp_dir.h"
#include "gale_builder.h"
#include "imaging/gales.h"
#include "png.h"
#include "regression_inputs.h"

using testing_support::ReadFileBytes;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

TPngImage Picture(int w, int h, int channels) {
  TPngImage png;
  png.Width = w;
  png.Height = h;
  png.Channels = channels;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < channels; ++c) png.Pixels.push_back(static_cast<uint8_t>(x * 23 + y * 7 + c * 91 + x * y));
  return png;
}

std::string Be32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string Chunk(const std::string& type, const std::string& body) {
  const std::string typed = type + body;
  return Be32(static_cast<uint32_t>(body.size())) + typed +
         Be32(static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

// A PNG put together by hand: header fields, optional chunks, raw filtered rows.
std::string HandPng(int w, int h, int depth, int colour_type, const std::string& extra, const std::string& rows) {
  const std::string header = Be32(static_cast<uint32_t>(w)) + Be32(static_cast<uint32_t>(h)) +
                             std::string{static_cast<char>(depth), static_cast<char>(colour_type), 0, 0, 0};
  return std::string("\x89PNG\r\n\x1A\n", 8) + Chunk("IHDR", header) + extra + Chunk("IDAT", gale_test::Zlib(rows)) +
         Chunk("IEND", "");
}

int RunTool(const std::vector<std::string>& args, std::string* out = nullptr, std::string* err = nullptr) {
  std::ostringstream o, e;
  const int rc = RunGaletool(args, o, e);
  if (out) *out = o.str();
  if (err) *err = e.str();
  return rc;
}

}  // namespace

TEST(Png, WrittenPicturesReadBack) {
  for (int channels : {3, 4}) {
    SCOPED_TRACE(channels);
    const TPngImage png = Picture(13, 7, channels);
    const TPngImage back = ReadPng(WritePng(png));
    EXPECT_EQ(back.Width, 13);
    EXPECT_EQ(back.Height, 7);
    EXPECT_EQ(back.Channels, channels);
    EXPECT_EQ(back.Pixels, png.Pixels);
  }
}

TEST(Png, PaletteGreyAndSixteenBitForms) {
  // 2-bit palette with tRNS, every filter type on the way.
  const std::string plte = Chunk("PLTE", std::string("\x10\x20\x30\x40\x50\x60\x70\x80\x90", 9));
  const std::string trns = Chunk("tRNS", std::string("\xFF\x00", 2));
  TPngImage p = ReadPng(HandPng(3, 1, 2, 3, plte + trns, std::string("\x00\x24", 2)));  // indices 0, 2, 1
  EXPECT_EQ(p.Channels, 4);
  EXPECT_EQ(p.Pixels, (std::vector<uint8_t>{0x10, 0x20, 0x30, 0xFF, 0x70, 0x80, 0x90, 0xFF, 0x40, 0x50, 0x60, 0x00}));
  // 16-bit grey, two rows: Sub then Up filters.
  TPngImage g = ReadPng(HandPng(2, 2, 16, 0, "", std::string("\x01\x12\x34\x01\x01\x02\x00\x00\x00\x01\x00", 11)));
  EXPECT_EQ(g.Channels, 3);
  EXPECT_EQ(g.Pixels, (std::vector<uint8_t>{0x12, 0x12, 0x12, 0x13, 0x13, 0x13, 0x12, 0x12, 0x12, 0x13, 0x13, 0x13}));
  // RGB with Average and Paeth.
  TPngImage c = ReadPng(HandPng(2, 2, 8, 2, "", std::string("\x03\x10\x20\x30\x10\x10\x10\x04\x01\x01\x01\x01\x01\x01", 14)));
  EXPECT_EQ(c.Pixels, (std::vector<uint8_t>{0x10, 0x20, 0x30, 0x18, 0x20, 0x28, 0x11, 0x21, 0x31, 0x19, 0x22, 0x29}));
}

TEST(Png, DamagedFilesAreRefused) {
  const std::string good = WritePng(Picture(5, 4, 3));
  for (size_t cut = 0; cut < good.size(); ++cut) {
    SCOPED_TRACE(cut);
    EXPECT_THROW(ReadPng(good.substr(0, cut)), EPngError);
  }
  std::string crc = good;
  crc[20] ^= 1;  // inside IHDR
  EXPECT_THROW(ReadPng(crc), EPngError);
  EXPECT_THROW(ReadPng(HandPng(1, 1, 8, 2, "", std::string("\x00\x01\x02\x03", 4)).replace(28, 1, "\x01")), EPngError);
  EXPECT_THROW(ReadPng(HandPng(2, 1, 8, 2, "", std::string("\x07\x01\x02\x03\x04\x05\x06", 7))), EPngError);  // filter 7
  EXPECT_THROW(ReadPng(HandPng(1 << 20, 1 << 20, 8, 6, "", "")), EPngError);
}

TEST(Galetool, FromPngReadsBackIdentical) {
  TempDir dir;
  const struct {
    int channels;
    std::vector<std::string> options;
  } cases[] = {
      {3, {}}, {3, {"--tile", "5x3"}}, {3, {"--key", "123456789"}}, {3, {"--tile", u8"4×4", "--key", "0xFFFFFFFF"}},
      {4, {}}, {4, {"--tile", "8x2", "--key", "-5"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.channels << " channels, " << c.options.size() << " options");
    const TPngImage png = Picture(17, 9, c.channels);
    WriteFileBytes(dir / "in.png", WritePng(png));
    std::vector<std::string> args = {"from-png"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(dir / "in.png");
    args.push_back(dir / "out.gale");
    std::string err;
    ASSERT_EQ(RunTool(args, nullptr, &err), 0) << err;

    std::vector<std::string> key;
    for (size_t i = 0; i + 1 < c.options.size(); ++i)
      if (c.options[i] == "--key") key = {"--key", c.options[i + 1]};
    std::vector<std::string> back = {"png"};
    back.insert(back.end(), key.begin(), key.end());
    back.push_back(dir / "out.gale");
    back.push_back(dir / "back.png");
    ASSERT_EQ(RunTool(back, nullptr, &err), 0) << err;
    const TPngImage got = ReadPng(ReadFileBytes(dir / "back.png"));
    EXPECT_EQ(got.Channels, c.channels);
    EXPECT_EQ(got.Pixels, png.Pixels);

    // pixels: the rows as the bitmap holds them, then the alpha rows.
    back[0] = "pixels";
    back.back() = dir / "raw";
    ASSERT_EQ(RunTool(back), 0);
    const std::string raw = ReadFileBytes(dir / "raw");
    const size_t stride = c.channels == 4 ? 17 * 4 : 52;
    ASSERT_EQ(raw.size(), stride * 9 + (c.channels == 4 ? 20 * 9 : 0));
    EXPECT_EQ(static_cast<uint8_t>(raw[0]), png.Pixels[2]);  // blue first
    EXPECT_EQ(static_cast<uint8_t>(raw[stride + 2]), png.Pixels[17 * c.channels]);  // red of row 1
    if (c.channels == 4) {  // alpha row 1, pixel 1
      EXPECT_EQ(static_cast<uint8_t>(raw[stride * 9 + 20 + 1]), png.Pixels[17 * 4 + 4 + 3]);
    }
  }
}

TEST(Galetool, InfoPrintsOneJsonObject) {
  TempDir dir;
  gale_test::Image im;
  im.version = 102;
  im.background = 0x0000FF;
  gale_test::Frame f;
  f.name = "背景\"1";
  f.width = 2;
  f.height = 1;
  f.bits = 1;
  f.transparent = 1;
  f.palette = {0x102030, 0xFFFFFF};
  gale_test::Layer l;
  l.colour = gale_test::Zlib(gale_test::Rows(2, 1, 1, [](int x, int) { return uint32_t(x); }));
  f.layers = {l};
  im.frames = {f, f};
  WriteFileBytes(dir / "a.gale", gale_test::Build(im));
  std::string out;
  ASSERT_EQ(RunTool({"info", "--first", dir / "a.gale"}, &out), 0);
  EXPECT_EQ(out, u8"{\"version\":102,\"background\":255,\"frames\":[{\"name\":\"背景\\\"1\",\"width\":2,\"height\":1,"
                 u8"\"bits\":1,\"transparent_index\":1,\"transparent_color\":16777215,\"has_alpha\":false,"
                 u8"\"palette\":[1056816,16777215]}]}\n");
  ASSERT_EQ(RunTool({"info", dir / "a.gale"}, &out), 0);
  EXPECT_NE(out.find("},{"), std::string::npos);  // two frames
}

TEST(Galetool, ExitCodes) {
  TempDir dir;
  WriteFileBytes(dir / "bad.gale", "Gale106" + gale_test::Le32(99));
  WriteFileBytes(dir / "in.png", WritePng(Picture(3, 3, 3)));
  std::string err;
  EXPECT_EQ(RunTool({"info", dir / "missing.gale"}, nullptr, &err), 2);
  EXPECT_EQ(RunTool({"info", dir / "bad.gale"}, nullptr, &err), 2);
  EXPECT_NE(err.find(u8"画像ヘッダーの長さが不正です (99)"), std::string::npos) << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1);  // one line
  EXPECT_EQ(RunTool({"from-png", dir / "bad.gale", dir / "x"}), 2);
  EXPECT_EQ(RunTool({"from-png", dir / "in.png", dir / "ok.gale"}), 0);
  EXPECT_EQ(RunTool({"pixels", "--frame", "1", dir / "ok.gale", dir / "raw"}, nullptr, &err), 2);
  // Usage errors: 2, as in the other tools.
  EXPECT_EQ(RunTool({"from-png", "--jpeg", "80", "--tile", "4x4", dir / "in.png", dir / "j"}), 2);
  EXPECT_EQ(RunTool({"from-png", "--jpeg", "101", dir / "in.png", dir / "j"}), 2);
  EXPECT_EQ(RunTool({"info", "--frame", "1", dir / "ok.gale"}), 2);
  EXPECT_EQ(RunTool({"info"}), 2);
  EXPECT_EQ(RunTool({"convert", "a"}), 2);
  EXPECT_EQ(RunTool({}), 2);
}

TEST(Galetool, TheCommandTakesUtf8NamesAndPrintsOneLineErrors) {
  TempDir dir;
  const std::string png = dir / "絵.png", gale = dir / "絵.gale";
  WriteFileBytes(png, WritePng(Picture(6, 5, 4)));
  auto r = testing_support::RunTool(ZI_GALETOOL_EXE, {"from-png", "--tile", "4x4", enc::SjisToUtf8(png), enc::SjisToUtf8(gale)});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = testing_support::RunTool(ZI_GALETOOL_EXE, {"info", enc::SjisToUtf8(gale)});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("\"bits\":32"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"has_alpha\":true"), std::string::npos) << r.out;

  WriteFileBytes(dir / "cut.gale", ReadFileBytes(gale).substr(0, 60));
  r = testing_support::RunTool(ZI_GALETOOL_EXE, {"png", enc::SjisToUtf8(dir / "cut.gale"), enc::SjisToUtf8(dir / "x.png")});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find(u8"途中でデータが終わっています"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  r = testing_support::RunTool(ZI_GALETOOL_EXE, {"info", "--tile", "1x1", enc::SjisToUtf8(gale)});
  EXPECT_EQ(r.exit_code, 2);
}

// Inputs found by fuzzing the reader, each refused before anything large is
// allocated: png-1 declares 8192x8192 16-bit RGBA (512 MiB of rows) over 11
// bytes of data; png-2 declares 2^26 16-bit RGBA pixels in one row, whose size
// in bytes wraps to 0 in 32 bits.
TEST(Png, InputsFoundByFuzzingAreRefused) {
  const struct {
    const char* name;
    const std::string& bytes;
  } inputs[] = {{"png-1", kInput_png_1}, {"png-2", kInput_png_2}};
  for (const auto& input : inputs) {
    SCOPED_TRACE(input.name);
    try {
      ReadPng(input.bytes);
      ADD_FAILURE() << "read";
    } catch (const EPngError& e) {
      EXPECT_NE(std::string(e.what()).find("の大きさに足りません"), std::string::npos) << enc::SjisToUtf8(e.what());
    }
  }
}

TEST(Png, RowsComeFromTheDataNotFromTheHeader) {
  // A header promising more rows than the data holds fails at the first
  // missing row; a large but honest picture still reads.
  EXPECT_THROW(ReadPng(HandPng(4, 3, 8, 2, "", std::string(2 * 13, '\0'))), EPngError);
  const std::string wide(1 + 3 * 4000, '\0');
  std::string rows;
  for (int y = 0; y < 300; ++y) rows += wide;
  const TPngImage big = ReadPng(HandPng(4000, 300, 8, 2, "", rows));
  EXPECT_EQ(big.Pixels.size(), 4000u * 300 * 3);
  EXPECT_EQ(big.Pixels[big.Pixels.size() - 1], 0);
}

TEST(Galetool, HelpVersionStreamsAndOutputNames) {
  TempDir dir;
  WriteFileBytes(dir / "in.png", WritePng(Picture(3, 2, 3)));
  std::string out, err;
  ASSERT_EQ(RunTool({"from-png", "--help"}, &out, &err), 0);
  EXPECT_NE(out.find("--jpeg INT:INT in [0 - 100]=0"), std::string::npos) << out;  // each option, its default
  EXPECT_EQ(err, "");
  ASSERT_EQ(RunTool({"--version"}, &out), 0);
  EXPECT_EQ(out.rfind("galetool ", 0), 0u) << out;

  // "-" writes the bytes to standard output.
  ASSERT_EQ(RunTool({"from-png", dir / "in.png", "-"}, &out, &err), 0) << err;
  const std::string gale = out;
  WriteFileBytes(dir / "a.gale", gale);
  ASSERT_EQ(RunTool({"png", dir / "a.gale", "-"}, &out, &err), 0) << err;
  EXPECT_EQ(ReadPng(out).Pixels, Picture(3, 2, 3).Pixels);

  // PNG bytes never go into a file named otherwise, and nothing is written.
  EXPECT_EQ(RunTool({"png", dir / "a.gale", dir / "x.jpg"}, &out, &err), 2);
  EXPECT_NE(err.find("x.jpg: the output is a PNG picture; name it .png"), std::string::npos) << err;
  EXPECT_FALSE(fs::FileExists(dir / "x.jpg"));
  EXPECT_EQ(RunTool({"png", dir / "a.gale", dir / "X.PNG"}), 0);
  // An output in a folder that does not exist: named, nothing created.
  EXPECT_EQ(RunTool({"png", dir / "a.gale", dir / "no/x.png"}, &out, &err), 2);
  EXPECT_NE(err.find("x.png: cannot write (no folder"), std::string::npos) << err;
  EXPECT_FALSE(fs::DirectoryExists(dir / "no"));
  // Messages name the file as given.
  EXPECT_EQ(RunTool({"info", dir / "missing.gale"}, &out, &err), 2);
  EXPECT_EQ(err, "galetool: " + (dir / "missing.gale") + ": no such file\n");
}
