#include "gale_builder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "imaging/dib.h"

namespace gale_test {

std::string Le32(int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  return {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16), static_cast<char>(u >> 24)};
}

std::string Zlib(const std::string& bytes) {
  uLongf n = compressBound(static_cast<uLong>(bytes.size()));
  std::string out(n, '\0');
  compress2(reinterpret_cast<Bytef*>(&out[0]), &n, reinterpret_cast<const Bytef*>(bytes.data()),
            static_cast<uLong>(bytes.size()), 6);
  out.resize(n);
  return out;
}

std::string Rows(int width, int height, int bits, const std::function<uint32_t(int, int)>& pixel) {
  TDIB b;
  if (bits == 15 || bits == 16) b.SetPixelFormat(5, bits == 15 ? 5 : 6, 5);
  b.SetSize(width, height, bits == 15 ? 16 : bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixel(x, y, pixel(x, y));
  std::string out;
  for (int y = 0; y < height; ++y) out.append(reinterpret_cast<const char*>(b.ScanLine(y)), b.Stride());
  return out;
}

std::string Build(const Image& im) {
  const int v = im.version;
  std::string f;
  if (v > 0) f += "Gale" + std::to_string(v);
  const int32_t frames = im.frame_count != -1 ? im.frame_count : static_cast<int32_t>(im.frames.size());
  if (v >= 103) {
    std::string record(40, '\0');
    record.replace(0, 4, Le32(v));
    record.replace(16, 4, Le32(frames));
    record[21] = static_cast<char>(im.scrambled);
    record[22] = static_cast<char>(im.compression);
    record.replace(24, 4, Le32(im.background));
    record.replace(28, 4, Le32(im.tile_width));
    record.replace(32, 4, Le32(im.tile_height));
    record[36] = static_cast<char>(im.first_opaque);
    f += Le32(im.header_length);
    f += record.substr(0, static_cast<size_t>(std::max(0, std::min(im.header_length, 40))));
  } else {
    f += Le32(frames);
    f += '\0';
    if (v >= 102) f += Le32(im.background);
  }
  for (const Frame& fr : im.frames) {
    f += Le32(static_cast<int32_t>(fr.name.size())) + fr.name;
    f += Le32(fr.transparent) + Le32(100) + std::string(5, '\0');
    f += Le32(fr.layer_count != -1 ? fr.layer_count : static_cast<int32_t>(fr.layers.size()));
    f += Le32(fr.width) + Le32(fr.height) + Le32(fr.bits);
    if (fr.bits <= 8) {
      for (int i = 0; i < (1 << fr.bits); ++i) {
        const uint32_t c = i < static_cast<int>(fr.palette.size()) ? fr.palette[static_cast<size_t>(i)] : 0;
        f += static_cast<char>(c);        // blue
        f += static_cast<char>(c >> 8);   // green
        f += static_cast<char>(c >> 16);  // red
        f += '\0';
      }
    }
    for (const Layer& l : fr.layers) {
      f += std::string(8, '\0');
      f += l.visible ? '\1' : '\0';
      f += Le32(l.transparent) + Le32(l.opacity);
      if (v >= 101) f += l.alpha_enabled ? '\1' : '\0';
      f += Le32(3) + "xyz";  // editor data the reader skips
      f += Le32(static_cast<int32_t>(l.colour.size())) + l.colour;
      if (v >= 100) f += Le32(static_cast<int32_t>(l.alpha.size())) + l.alpha;
    }
    if (v >= 104) {
      f += Le32(static_cast<int32_t>(fr.info1.size()));
      for (const auto& r : fr.info1) f += r;
      f += Le32(static_cast<int32_t>(fr.info2.size()));
      for (const auto& r : fr.info2) f += r;
    }
  }
  return f;
}

void Fill(TMemoryStream& m, const std::string& bytes) {
  m.Clear();
  m.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  m.SetPosition(0);
}

}  // namespace gale_test
