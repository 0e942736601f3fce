#include "imaging/galewriter.h"

#include <zlib.h>

#include <cstring>
#include <map>
#include <vector>

#include "archive/rands.h"
#include "base/endian.h"
#include "base/format.h"
#include "imaging/gales.h"
#include "imaging/jpeg_codec.h"

namespace {

using TCompression = TGaleWriteOptions::TCompression;

void Put32(std::string& out, int32_t v) {
  uint8_t b[4];
  le::Store32(b, static_cast<uint32_t>(v));
  out.append(reinterpret_cast<const char*>(b), 4);
}

std::string Deflate(const std::string& plane) {
  uLongf n = compressBound(static_cast<uLong>(plane.size()));
  std::string packed(n, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &n, reinterpret_cast<const Bytef*>(plane.data()),
                static_cast<uLong>(plane.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
    throw EGaleError("プレーンを圧縮できません");
  packed.resize(n);
  return packed;
}

// The plane as rows (optionally permuted) or as tile table plus tile rows.
std::string LayOutPlane(const TDIB& plane, const TGaleWriteOptions& o) {
  const int W = plane.Width(), H = plane.Height(), b = plane.BitCount();
  const size_t stride = static_cast<size_t>(plane.Stride());
  std::string out;
  if (o.TileWidth <= 0 || o.TileHeight <= 0) {
    out.reserve(stride * static_cast<size_t>(H));
    if (!o.Scramble) {
      for (int y = 0; y < H; ++y) out.append(reinterpret_cast<const char*>(plane.ScanLine(y)), stride);
    } else {
      // The reader puts run i into row Pick() number i.
      TTpRandom random(o.Key);
      random.InitPool(H);
      for (int i = 0; i < H; ++i) out.append(reinterpret_cast<const char*>(plane.ScanLine(random.Pick())), stride);
    }
    return out;
  }

  const int tw = o.TileWidth, th = o.TileHeight;
  const int tiles_x = (W + tw - 1) / tw, tiles_y = (H + th - 1) / th;
  const int n = tiles_x * tiles_y;
  std::vector<std::pair<int32_t, int32_t>> table(static_cast<size_t>(n));
  std::string data;
  std::map<std::string, int> seen;  // tile bytes (with their size) -> first tile index
  int k = 0;
  for (int ty = 0; ty < tiles_y; ++ty) {
    const int y = ty * th, h = std::min(th, H - y);
    for (int tx = 0; tx < tiles_x; ++tx, ++k) {
      const int x = tx * tw, w = std::min(tw, W - x);
      const size_t row_bytes = (static_cast<size_t>(w) * b + 7) / 8;
      std::string tile = Format("%dx%d:", w, h);
      for (int r = 0; r < h; ++r) tile.append(reinterpret_cast<const char*>(plane.ScanLine(y + r)) + x * b / 8, row_bytes);
      auto found = seen.find(tile);
      if (found != seen.end()) {
        table[static_cast<size_t>(k)] = {-2, found->second};
      } else {
        table[static_cast<size_t>(k)] = {-1, 0};
        data.append(tile, tile.find(':') + 1, std::string::npos);
        seen.emplace(std::move(tile), k);
      }
    }
  }
  std::vector<std::pair<int32_t, int32_t>> stored = table;
  if (o.Scramble) {
    // The reader sets entry Pick() number i to stored entry i.
    TTpRandom random(o.Key);
    random.InitPool(n);
    for (int i = 0; i < n; ++i) stored[static_cast<size_t>(i)] = table[static_cast<size_t>(random.Pick())];
  }
  for (const auto& e : stored) {
    Put32(out, e.first);
    Put32(out, e.second);
  }
  out += data;
  return out;
}

}  // namespace

void WriteGalePicture(TStream& out, const TDIBSurface& picture, const TGaleWriteOptions& o) {
  const int bits = picture.EffectiveBitCount();
  if (picture.Empty() || (bits != 24 && bits != 32))
    throw EGaleError(Format("Gale 画像にできるのは 24 ビットか 32 ビットの画像だけです (%d ビット)", bits));
  const bool jpeg = o.Compression == TCompression::kJpeg;
  const bool tiled = o.TileWidth > 0 && o.TileHeight > 0;
  if (jpeg && (tiled || o.Scramble)) throw EGaleError("JPEG の画像はタイルにも並べ替えにもできません");
  const TDIBSurface* alpha = picture.Alpha();

  std::string f = "Gale106";
  uint8_t record[40] = {};
  const int32_t version = 106, frames = 1;
  std::memcpy(record + 0, &version, 4);  // the writers' hosts are little-endian, as the format
  std::memcpy(record + 16, &frames, 4);
  record[21] = o.Scramble ? 1 : 0;
  record[22] = jpeg ? 2 : o.Compression == TCompression::kStored ? 1 : 0;
  std::memcpy(record + 24, &o.BackgroundColor, 4);
  if (tiled) {
    std::memcpy(record + 28, &o.TileWidth, 4);
    std::memcpy(record + 32, &o.TileHeight, 4);
  }
  record[36] = 1;  // first layer opaque
  Put32(f, 40);
  f.append(reinterpret_cast<const char*>(record), 40);

  // Frame: no name, no transparent value, one layer.
  Put32(f, 0);
  Put32(f, -1);
  Put32(f, 100);
  f.append(5, '\0');
  Put32(f, 1);
  Put32(f, picture.Width());
  Put32(f, picture.Height());
  Put32(f, bits);

  // Layer: visible, opaque, alpha-enabled when there is an alpha plane.
  f.append(8, '\0');
  f += '\1';
  Put32(f, -1);
  Put32(f, 255);
  f += alpha ? '\1' : '\0';
  Put32(f, 0);

  std::string colour;
  if (jpeg) {
    if (bits == 24) {
      colour = EncodeJpeg(picture, o.JpegQuality);
    } else {
      TDIB rgb;
      picture.ConvertTo24(rgb);
      colour = EncodeJpeg(rgb, o.JpegQuality);
    }
  } else {
    colour = LayOutPlane(picture, o);
    if (o.Compression == TCompression::kZlib) colour = Deflate(colour);
  }
  Put32(f, static_cast<int32_t>(colour.size()));
  f += colour;

  if (alpha) {
    // A lossy picture's alpha plane is zlib rows, neither tiled nor permuted.
    TGaleWriteOptions plain;
    std::string plane = LayOutPlane(*alpha, jpeg ? plain : o);
    if (o.Compression != TCompression::kStored) plane = Deflate(plane);
    Put32(f, static_cast<int32_t>(plane.size()));
    f += plane;
  } else {
    Put32(f, 0);
  }
  Put32(f, 0);  // info lists
  Put32(f, 0);
  out.WriteBuffer(f.data(), static_cast<int64_t>(f.size()));
}
