#include "galetool.h"

#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>

#include "archive/decompress.h"
#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/stream.h"
#include "common/json_writer.h"
#include "imaging/galewriter.h"
#include "imaging/gales.h"

namespace {

// A problem of the command line (exit 1) or of the output (exit 1).
struct UsageError {
  std::string message;  // UTF-8
};
struct OutputError {
  std::string message;  // UTF-8
};

const char kUsage[] =
    u8"usage: galetool info [--key K] [--first] IN\n"
    u8"       galetool pixels [--key K] [--frame I] IN OUT\n"
    u8"       galetool png [--key K] [--frame I] IN OUT.png\n"
    u8"       galetool from-png [--tile WxH] [--key K] [--jpeg QUALITY] IN.png OUT\n";

struct Options {
  bool has_key = false;
  int32_t key = 0;
  bool first = false;
  int frame = 0;
  int tile_width = 0, tile_height = 0;
  int jpeg = 0;
  std::vector<std::string> files;
};

bool ParseInt(const std::string& text, int64_t min, int64_t max, int64_t* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const long long v = std::strtoll(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || v < min || v > max) return false;
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

Options ParseOptions(const std::vector<std::string>& args, const std::vector<std::string>& allowed, size_t files) {
  Options o;
  auto allows = [&](const char* name) {
    for (const auto& a : allowed)
      if (a == name) return true;
    return false;
  };
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError{a + u8" needs a value"};
      return args[++i];
    };
    int64_t v = 0;
    if (a.size() > 2 && a.compare(0, 2, "--") == 0 && !allows(a.c_str())) {
      throw UsageError{u8"unknown option " + a + u8" for " + args[0]};
    } else if (a == "--key") {
      // A 32-bit value, signed or unsigned.
      if (!ParseInt(value(), INT32_MIN, UINT32_MAX, &v)) throw UsageError{u8"--key needs a 32-bit number"};
      o.has_key = true;
      o.key = static_cast<int32_t>(static_cast<uint32_t>(v));
    } else if (a == "--first") {
      o.first = true;
    } else if (a == "--frame") {
      if (!ParseInt(value(), 0, INT32_MAX, &v)) throw UsageError{u8"--frame needs a frame number (0 is the first)"};
      o.frame = static_cast<int>(v);
    } else if (a == "--tile") {
      if (!ParseTile(value(), &o.tile_width, &o.tile_height)) throw UsageError{u8"--tile needs WxH, e.g. 64x64"};
    } else if (a == "--jpeg") {
      if (!ParseInt(value(), 1, 100, &v)) throw UsageError{u8"--jpeg needs a quality from 1 to 100"};
      o.jpeg = static_cast<int>(v);
    } else {
      o.files.push_back(a);
    }
  }
  if (o.files.size() != files) throw UsageError{Format(u8"%s needs %d file name(s)", args[0].c_str(), static_cast<int>(files))};
  return o;
}

std::string SjisPath(const std::string& utf8) {
  bool lossless = true;
  std::string path = enc::Utf8ToSjis(utf8, &lossless);
  if (!lossless) throw UsageError{u8"the file name " + utf8 + u8" cannot be used (characters outside code page 932)"};
  return path;
}

void LoadPicture(const Options& o, TGaleFrameList& list, bool first_only) {
  TMemoryStream m;
  m.LoadFromFile(SjisPath(o.files[0]));
  list.LoadFromStream(m, first_only);
}

std::string ReadWhole(const std::string& utf8_path) {
  TMemoryStream m;
  m.LoadFromFile(SjisPath(utf8_path));
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize()));
}

void WriteOutput(const std::string& utf8_path, const std::string& bytes) {
  if (!fs::WriteFileReplacing(SjisPath(utf8_path), bytes.data(), static_cast<int64_t>(bytes.size())))
    throw OutputError{u8"cannot write " + utf8_path};
}

TGaleFrame& FrameOf(TGaleFrameList& list, int index) {
  if (index >= list.Count())
    throw EGaleError(Format("フレーム %d はありません (フレーム数 %d)", index, list.Count()));
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
  const TDIBSurface& s = FrameOf(list, o.frame).Surface;
  std::string bytes;
  auto rows = [&](const TDIB& b) {
    for (int y = 0; y < b.Height(); ++y)
      bytes.append(reinterpret_cast<const char*>(b.ScanLine(y)), static_cast<size_t>(b.Stride()));
  };
  rows(s);
  if (s.Alpha()) rows(*s.Alpha());
  WriteOutput(o.files[1], bytes);
}

void ToPng(const Options& o) {
  TGaleFrameList list(o.key);
  LoadPicture(o, list, false);
  WriteOutput(o.files[1], WritePng(PngFromSurface(FrameOf(list, o.frame).Surface)));
}

void FromPng(const Options& o) {
  TDIBSurface picture;
  SurfaceFromPng(ReadPng(ReadWhole(o.files[0])), picture);
  TGaleWriteOptions w;
  if (o.jpeg > 0) {
    if (o.tile_width > 0 || o.has_key) throw UsageError{u8"--jpeg goes with neither --tile nor --key"};
    w.Compression = TGaleWriteOptions::TCompression::kJpeg;
    w.JpegQuality = o.jpeg;
  }
  w.TileWidth = o.tile_width;
  w.TileHeight = o.tile_height;
  w.Scramble = o.has_key;
  w.Key = o.key;
  TMemoryStream m;
  WriteGalePicture(m, picture, w);
  WriteOutput(o.files[1], std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.GetSize())));
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
  try {
    if (args.empty()) throw UsageError{""};
    const std::string& command = args[0];
    if (command == "info") {
      Info(ParseOptions(args, {"--key", "--first"}, 1), out);
    } else if (command == "pixels") {
      Pixels(ParseOptions(args, {"--key", "--frame"}, 2));
    } else if (command == "png") {
      ToPng(ParseOptions(args, {"--key", "--frame"}, 2));
    } else if (command == "from-png") {
      FromPng(ParseOptions(args, {"--tile", "--key", "--jpeg"}, 2));
    } else if (command == "--help" || command == "-h" || command == "help") {
      out << kUsage;
      return 0;
    } else {
      throw UsageError{u8"unknown command " + command};
    }
    return 0;
  } catch (const UsageError& e) {
    if (!e.message.empty()) err << "galetool: " << e.message << "\n";
    err << kUsage;
    return 1;
  } catch (const OutputError& e) {
    err << "galetool: " << e.message << "\n";
    return 1;
  } catch (const EError& e) {
    // Shift-JIS messages of the program (unreadable file, damaged picture).
    err << "galetool: " << enc::SjisToUtf8(e.what()) << "\n";
    return 2;
  } catch (const std::bad_alloc&) {
    err << "galetool: out of memory\n";
    return 2;
  } catch (const std::exception& e) {
    err << "galetool: " << e.what() << "\n";
    return 2;
  }
}
