#include "galetool.h"

#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <ostream>

#include "archive/decompress.h"
#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "common/cli.h"
#include "common/cli_app.h"
#include "common/run_main.h"
#include "common/tool_input.h"
#include "base/stream.h"
#include "common/json_writer.h"
#include "imaging/galewriter.h"
#include "imaging/gales.h"

namespace {

struct Options {
  std::string key_text;  // as given; parsed into key
  bool has_key = false;
  int32_t key = 0;
  bool first = false;
  int frame = 0;
  std::string tile;  // "WxH" as given
  int tile_width = 0, tile_height = 0;
  int jpeg = 0;
  std::string in, out;  // UTF-8 paths, or "-"
  std::ostream* stdout_stream = nullptr;
};

bool ParseInt(const std::string& text, int64_t min, int64_t max, int64_t* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const bool negative = text[0] == '-';
  const std::string digits = negative ? text.substr(1) : text;
  const bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
  if (digits.empty() || digits[0] == '-' || digits[0] == '+') return false;
  long long v = std::strtoll(digits.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0') return false;
  if (negative) v = -v;
  if (v < min || v > max) return false;
  *value = v;
  return true;
}

// "WxH", also with "X" or the multiplication sign.
bool ParseTile(std::string text, int* w, int* h) {
  const std::string times = u8"×";
  size_t at = text.find(times);
  if (at != std::string::npos) text.replace(at, times.size(), "x");
  at = text.find_first_of("xX");
  if (at == std::string::npos) return false;
  int64_t a, b;
  if (!ParseInt(text.substr(0, at), 1, 1 << 16, &a) || !ParseInt(text.substr(at + 1), 1, 1 << 16, &b)) return false;
  *w = static_cast<int>(a);
  *h = static_cast<int>(b);
  return true;
}

// The values of options that CLI11 takes as text.
void Finish(Options& o) {
  int64_t v = 0;
  if (!o.key_text.empty()) {
    // A 32-bit value, signed or unsigned, decimal or 0x hexadecimal.
    if (!ParseInt(o.key_text, INT32_MIN, UINT32_MAX, &v))
      throw tools::ToolError(tools::kExitUsage, "--key needs a 32-bit number");
    o.has_key = true;
    o.key = static_cast<int32_t>(static_cast<uint32_t>(v));
  }
  if (!o.tile.empty() && !ParseTile(o.tile, &o.tile_width, &o.tile_height))
    throw tools::ToolError(tools::kExitUsage, "--tile needs WxH, e.g. 64x64");
}

void LoadPicture(const Options& o, TGaleFrameList& list, bool first_only) {
  const std::string bytes = tools::ReadInput(o.in);
  TMemoryStream m;
  m.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  m.SetPosition(0);
  try {
    list.LoadFromStream(m, first_only);
  } catch (const EError& e) {
    throw tools::ToolError(tools::kExitBadInput, o.in + ": " + enc::SjisToUtf8(e.what()));
  }
}

// To the named file (through a temporary file that replaces it), or to
// standard output for "-". The folder must exist: no tool creates folders
// for a single output file.
void WriteOutput(const Options& o, const std::string& bytes) {
  if (o.out == "-") {
    o.stdout_stream->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    o.stdout_stream->flush();
    if (!*o.stdout_stream) throw tools::ToolError(tools::kExitBadInput, "standard output: cannot write");
    return;
  }
  const std::string path = tools::PathArgument(o.out);
  const std::string folder = ExtractFilePath(path);
  if (!folder.empty() && !fs::DirectoryExists(folder))
    throw tools::ToolError(tools::kExitBadInput, o.out + ": cannot write (no folder " + enc::SjisToUtf8(folder) + ")");
  if (!fs::WriteFileReplacing(path, bytes.data(), static_cast<int64_t>(bytes.size())))
    throw tools::ToolError(tools::kExitBadInput, o.out + ": cannot write");
}

TGaleFrame& FrameOf(const Options& o, TGaleFrameList& list, int index) {
  if (index >= list.Count())
    throw tools::ToolError(tools::kExitBadInput,
        o.in + ": " + enc::SjisToUtf8(Format("フレーム %d はありません (フレーム数 %d)", index, list.Count())));
  return list.Frames(index);
}

void Info(const Options& o, std::ostream& out) {
  TGaleFrameList list(o.key);
  LoadPicture(o, list, o.first);
  tools::JsonWriter w;
  w.BeginObject().Member("version", list.Version).Member("background", list.BackgroundColor).Key("frames").BeginArray();
  for (int i = 0; i < list.Count(); ++i) {
    const TGaleFrame& f = list.Frames(i);
    const TDIBSurface& s = f.Surface;
    w.BeginObject()
        .Member("name", enc::SjisToUtf8(f.Name))
        .Member("width", s.Width())
        .Member("height", s.Height())
        .Member("bits", s.EffectiveBitCount())
        .Member("transparent_index", f.TransparentIndex)
        .Member("transparent_color", f.TransparentColor)
        .Member("has_alpha", f.HasAlpha())
        .Key("palette")
        .BeginArray();
    for (int c = 0; c < s.ColorCount(); ++c) {
      const TRGBQuad& q = s.ColorTable()[c];
      w.Int((q.Red << 16) | (q.Green << 8) | q.Blue);
    }
    w.EndArray().EndObject();
  }
  w.EndArray().EndObject();
  out << w.Take() << "\n";
}

void Pixels(const Options& o) {
  TGaleFrameList list(o.key);
  LoadPicture(o, list, false);
  const TDIBSurface& s = FrameOf(o, list, o.frame).Surface;
  std::string bytes;
  auto rows = [&](const TDIB& b) {
    for (int y = 0; y < b.Height(); ++y)
      bytes.append(reinterpret_cast<const char*>(b.ScanLine(y)), static_cast<size_t>(b.Stride()));
  };
  rows(s);
  if (s.Alpha()) rows(*s.Alpha());
  WriteOutput(o, bytes);
}

void ToPng(const Options& o) {
  // The output is PNG whatever its name says; a name that says otherwise
  // would hand PNG bytes to whoever trusts the extension.
  if (o.out != "-" && !sjis::EqualsNoCase(ExtractFileExt(tools::PathArgument(o.out)), ".png"))
    throw tools::ToolError(tools::kExitUsage,
        o.out + ": the output is a PNG picture; name it .png (or - for standard output)");
  TGaleFrameList list(o.key);
  LoadPicture(o, list, false);
  WriteOutput(o, WritePng(PngFromSurface(FrameOf(o, list, o.frame).Surface)));
}

void FromPng(const Options& o) {
  TDIBSurface picture;
  try {
    SurfaceFromPng(ReadPng(tools::ReadInput(o.in)), picture);
  } catch (const EPngError& e) {
    throw tools::ToolError(tools::kExitBadInput, o.in + ": " + enc::SjisToUtf8(e.what()));
  }
  TGaleWriteOptions w;
  if (o.jpeg > 0) {
    w.Compression = TGaleWriteOptions::TCompression::kJpeg;
    w.JpegQuality = o.jpeg;
  }
  w.TileWidth = o.tile_width;
  w.TileHeight = o.tile_height;
  w.Scramble = o.has_key;
  w.Key = o.key;
  TMemoryStream m;
  WriteGalePicture(m, picture, w);
  WriteOutput(o, std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize())));
}

}  // namespace

void SurfaceFromPng(const TPngImage& png, TDIBSurface& surface) {
  const bool alpha = png.Channels == 4;
  surface.FreeAlpha();
  surface.SetSize(png.Width, png.Height, alpha ? 32 : 24);
  if (alpha) surface.CreateAlpha();
  const uint8_t* p = png.Pixels.data();
  for (int y = 0; y < png.Height; ++y) {
    uint8_t* d = surface.ScanLine(y);
    uint8_t* a = alpha ? surface.Alpha()->ScanLine(y) : nullptr;
    for (int x = 0; x < png.Width; ++x, p += png.Channels) {
      d[0] = p[2];
      d[1] = p[1];
      d[2] = p[0];
      if (alpha) {
        d[3] = 0;
        a[x] = p[3];
      }
      d += alpha ? 4 : 3;
    }
  }
}

TPngImage PngFromSurface(const TDIBSurface& surface) {
  TDIB rgb;
  surface.ConvertTo24(rgb);
  TPngImage png;
  png.Width = surface.Width();
  png.Height = surface.Height();
  const TDIBSurface* alpha = surface.Alpha();
  png.Channels = alpha ? 4 : 3;
  png.Pixels.resize(static_cast<size_t>(png.Width) * png.Height * png.Channels);
  uint8_t* p = png.Pixels.data();
  for (int y = 0; y < png.Height; ++y) {
    const uint8_t* s = rgb.ScanLine(y);
    for (int x = 0; x < png.Width; ++x, s += 3, p += png.Channels) {
      p[0] = s[2];
      p[1] = s[1];
      p[2] = s[0];
      if (alpha) p[3] = alpha->ScanLine(y)[x];
    }
  }
  return png;
}

int RunGaletool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  tools::SetProgramName("galetool");
  CLI::App app;
  tools::ConfigureApp(app, "Inspects Gale pictures and makes them from PNG files.");
  app.footer("K (--key) is the picture's seed, ImageSeed in install.dat: decimal, negative or 0x hexadecimal;\n"
             "without it the planes are read as not scrambled.\n" + tools::HelpFooter());
  Options o;
  o.stdout_stream = &out;
  std::function<void()> run;
  const auto key = [&](CLI::App* c) {
    c->add_option("--key", o.key_text, "seed of the scrambled planes (also --key=-5); none: not scrambled");
  };
  const auto frame = [&](CLI::App* c) { c->add_option("--frame", o.frame, "frame to take, 0 the first")->check(CLI::NonNegativeNumber); };

  CLI::App* c = app.add_subcommand("info", "JSON description of a Gale picture: frames, sizes, bits, palettes");
  key(c);
  c->add_flag("--first", o.first, "read the first frame only, as the launcher does");
  c->add_option("IN", o.in, "Gale picture, or - for standard input")->required();
  c->callback([&] { run = [&] { Info(o, out); }; });

  c = app.add_subcommand("pixels", "a frame's raw rows (bottom-up BMP order, then its alpha rows)");
  key(c);
  frame(c);
  c->add_option("IN", o.in, "Gale picture, or -")->required();
  c->add_option("OUT", o.out, "file to write, or - for standard output")->required();
  c->callback([&] { run = [&] { Pixels(o); }; });

  c = app.add_subcommand("png", "a frame as PNG (8-bit RGB, or RGBA when it has alpha)");
  key(c);
  frame(c);
  c->add_option("IN", o.in, "Gale picture, or -")->required();
  c->add_option("OUT", o.out, "PNG file to write (must end in .png), or - for standard output")->required();
  c->callback([&] { run = [&] { ToPng(o); }; });

  c = app.add_subcommand("from-png", "a launcher picture (Gale, one frame) from a PNG");
  c->add_option("--tile", o.tile, "store the planes in tiles of WxH pixels (e.g. 64x64); none: one block");
  key(c);
  auto* jpeg = c->add_option("--jpeg", o.jpeg, "JPEG colour planes of this quality (1-100); 0: lossless zlib")
                   ->check(CLI::Range(0, 100));
  jpeg->excludes(c->get_option("--tile"))->excludes(c->get_option("--key"));
  c->add_option("IN", o.in, "PNG picture, or - for standard input")->required();
  c->add_option("OUT", o.out, "Gale file to write, or - for standard output")->required();
  c->callback([&] { run = [&] { FromPng(o); }; });

  const int parsed = tools::ParseCommandLine(app, args, out, err);
  if (parsed >= 0) return parsed;
  // The program's errors (a damaged picture) are about the input.
  return tools::RunMain(
      [&] {
        Finish(o);
        run();
        return tools::kExitOk;
      },
      err, o.in);
}
