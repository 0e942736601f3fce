#include "imaging/dibsfc.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/format.h"

namespace {

// --- sub-byte pixels: leftmost pixel in the most significant bits ---

inline unsigned Get1(const uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1u; }
inline void Set1(uint8_t* row, int x, unsigned v) {
  const uint8_t bit = static_cast<uint8_t>(0x80u >> (x & 7));
  row[x >> 3] = static_cast<uint8_t>(v ? row[x >> 3] | bit : row[x >> 3] & ~bit);
}
inline unsigned Get4(const uint8_t* row, int x) { return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu; }
inline void Set4(uint8_t* row, int x, unsigned v) {
  uint8_t& b = row[x >> 1];
  b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (v & 0xF)) : static_cast<uint8_t>((b & 0x0F) | ((v & 0xF) << 4));
}

inline uint32_t Load16(const uint8_t* p) { return p[0] | (p[1] << 8); }
inline void Store16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline uint32_t Load24(const uint8_t* p) { return p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16); }
inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Ordered dither matrix of the palette-depth translucent draw.
constexpr uint8_t kDither[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// The 32-bit blend with weight a of src over dst (red and blue in one multiply).
inline uint32_t Blend32(uint32_t dst, uint32_t src, uint32_t a) {
  const uint32_t rb = (((255 - a) * (dst & 0xFF00FF) + a * (src & 0xFF00FF)) >> 8) & 0xFF00FF;
  const uint32_t g = (((dst & 0xFF00) * (255 - a) + (src & 0xFF00) * a) >> 8) & 0xFF00;
  return rb | g;
}

// A block after clipping: w × h pixels from source (sx, sy) to dest (dx, dy).
struct Block {
  int dx, dy, sx, sy, w, h;
};

// Calls row(dest row, source row, dest y, source y) for every row of the block.
template <class Row>
void ForRows(TDIBSurface& dest, const TDIBSurface& source, const Block& b, Row row) {
  for (int r = 0; r < b.h; ++r) row(dest.ScanLine(b.dy + r), source.ScanLine(b.sy + r), b.dy + r, b.sy + r);
}

}  // namespace

// --- size and format ---

void TDIBSurface::SetSize(int width, int height, int bit_count) {
  const TPixelFormat saved = PixelFormat();
  int bits = bit_count;
  if (bit_count == 15) {
    bits = 16;
    SetPixelFormat(5, 5, 5);
  } else if (bit_count == 16) {
    SetPixelFormat(5, 6, 5);
  } else {
    SetPixelFormat(8, 8, 8);
  }
  try {
    TDIB::SetSize(width, height, bits);
  } catch (...) {
    SetPixelFormat(saved.RBits, saved.GBits, saved.BBits);
    throw;
  }
  if (alpha_) alpha_->SetSize(Width(), Height(), 8);
}

void TDIBSurface::Clear() {
  alpha_.reset();
  TDIB::Clear();
}

int TDIBSurface::EffectiveBitCount() const {
  return BitCount() == 16 && PixelFormat().GMask == 0x03E0 ? 15 : BitCount();
}

uint32_t TDIBSurface::ColorToValue(int red, int green, int blue) const {
  red &= 0xFF;
  green &= 0xFF;
  blue &= 0xFF;
  switch (EffectiveBitCount()) {
    case 15: return ((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3);
    case 16: return ((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3);
    case 24:
    case 32: return (red << 16) | (green << 8) | blue;
    default: break;
  }
  // Nearest colour-table entry; the first of equally near ones.
  const int n = std::max(ColorCount(), 1);
  uint32_t best = 0;
  int best_distance = 1 << 30;
  for (int i = 0; i < n; ++i) {
    const TRGBQuad& q = ColorTable()[i];
    const int dr = q.Red - red, dg = q.Green - green, db = q.Blue - blue;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < best_distance) {
      best_distance = distance;
      best = static_cast<uint32_t>(i);
    }
  }
  return best;
}

void TDIBSurface::FillRectValue(const TRect& rect, uint32_t value) {
  const int left = std::max(rect.Left, 0), top = std::max(rect.Top, 0);
  const int right = std::min(rect.Right, Width()), bottom = std::min(rect.Bottom, Height());
  if (left >= right || top >= bottom) return;
  const int n = right - left;
  const int bits = EffectiveBitCount();
  if (bits == 1 || bits == 4) {
    // Pixels are packed from the high bit. The span [left, right) covers the
    // bits [first_bit, end_bit) of a row: the bytes wholly inside it are set
    // at once, the one or two bytes it only touches through a mask, so a row
    // costs a few steps whatever its width (a tall, narrow picture has
    // millions of rows).
    const unsigned v = value & (bits == 1 ? 1u : 0xFu);
    const uint8_t fill = static_cast<uint8_t>(bits == 1 ? (v ? 0xFF : 0x00) : v * 0x11);
    const int64_t first_bit = int64_t{left} * bits, end_bit = int64_t{right} * bits;
    const size_t first_byte = static_cast<size_t>(first_bit / 8), last_byte = static_cast<size_t>((end_bit - 1) / 8);
    uint8_t first_mask = static_cast<uint8_t>(0xFFu >> (first_bit % 8));
    const uint8_t last_mask = static_cast<uint8_t>(0xFFu << ((8 - end_bit % 8) % 8));
    if (first_byte == last_byte) first_mask &= last_mask;
    for (int y = top; y < bottom; ++y) {
      uint8_t* row = ScanLine(y);
      row[first_byte] = static_cast<uint8_t>((row[first_byte] & ~first_mask) | (fill & first_mask));
      if (last_byte == first_byte) continue;
      if (last_byte > first_byte + 1) std::memset(row + first_byte + 1, fill, last_byte - first_byte - 1);
      row[last_byte] = static_cast<uint8_t>((row[last_byte] & ~last_mask) | (fill & last_mask));
    }
    return;
  }
  for (int y = top; y < bottom; ++y) {
    uint8_t* row = ScanLine(y);
    switch (bits) {
      case 8: std::memset(row + left, static_cast<int>(value & 0xFF), static_cast<size_t>(n)); break;
      case 15:
      case 16: {
        const uint32_t v = bits == 15 ? value & 0x7FFF : value & 0xFFFF;
        for (uint8_t* p = row + 2 * left; p < row + 2 * right; p += 2) Store16(p, v);
        break;
      }
      case 24:
        for (uint8_t* p = row + 3 * left; p < row + 3 * right; p += 3) {
          p[0] = static_cast<uint8_t>(value);
          p[1] = static_cast<uint8_t>(value >> 8);
          p[2] = static_cast<uint8_t>(value >> 16);
        }
        break;
      default:
        for (uint8_t* p = row + 4 * left; p < row + 4 * right; p += 4) Store32(p, value);
        break;
    }
  }
}

// --- clipping ---

void TDIBSurface::CheckSameFormat(const TDIBSurface& source) const {
  if (source.BitCount() != BitCount() || (BitCount() == 16 && source.PixelFormat() != PixelFormat()))
    throw EInvalidGraphicOperation(
        Format("ピクセルフォーマットが一致しません (%dビットと%dビット)", EffectiveBitCount(), source.EffectiveBitCount()));
}

bool TDIBSurface::ClipBlock(int& x, int& y, TRect& src, const TDIBSurface& source) const {
  if (Empty() || source.Empty()) return false;
  // 64-bit: positions far outside either surface must not overflow.
  int64_t X = x, Y = y, sl = src.Left, st = src.Top, sr = src.Right, sb = src.Bottom;
  // The source rectangle is cut to the source surface first, so that no row
  // or pixel outside the source is ever read.
  if (sl < 0) {
    X -= sl;
    sl = 0;
  }
  if (st < 0) {
    Y -= st;
    st = 0;
  }
  sr = std::min<int64_t>(sr, source.Width());
  sb = std::min<int64_t>(sb, source.Height());
  // Then the destination to the clip rectangle, which never reaches beyond
  // the surface.
  TRect r = BoundsRect();
  if (!ClipRect.IsEmpty()) {
    r.Left = std::max(r.Left, ClipRect.Left);
    r.Top = std::max(r.Top, ClipRect.Top);
    r.Right = std::min(r.Right, ClipRect.Right);
    r.Bottom = std::min(r.Bottom, ClipRect.Bottom);
    if (r.IsEmpty()) return false;
  }
  if (X < r.Left) {
    sl += r.Left - X;
    X = r.Left;
  }
  if (sr - sl + X > r.Right) sr = r.Right + sl - X;
  if (Y < r.Top) {
    st += r.Top - Y;
    Y = r.Top;
  }
  if (sb - st + Y > r.Bottom) sb = r.Bottom + st - Y;
  if (sl >= sr || st >= sb) return false;
  x = static_cast<int>(X);
  y = static_cast<int>(Y);
  src = {static_cast<int>(sl), static_cast<int>(st), static_cast<int>(sr), static_cast<int>(sb)};
  return true;
}

// --- block operations ---

void TDIBSurface::DrawOpaque(int x, int y, const TRect& src_rect, const TDIBSurface& source) {
  CheckSameFormat(source);
  TRect s = src_rect;
  if (!ClipBlock(x, y, s, source)) return;
  const Block b{x, y, s.Left, s.Top, s.Width(), s.Height()};
  switch (BitCount()) {
    case 1:
      ForRows(*this, source, b, [&](uint8_t* d, const uint8_t* sr, int, int) {
        int i = 0;
        if ((b.sx & 7) == 0 && (b.dx & 7) == 0) {  // byte-aligned: whole bytes first
          i = b.w & ~7;
          std::memmove(d + (b.dx >> 3), sr + (b.sx >> 3), static_cast<size_t>(i >> 3));
        }
        for (; i < b.w; ++i) Set1(d, b.dx + i, Get1(sr, b.sx + i));
      });
      break;
    case 4:
      ForRows(*this, source, b, [&](uint8_t* d, const uint8_t* sr, int, int) {
        int i = 0;
        if ((b.sx & 1) == 0 && (b.dx & 1) == 0) {
          i = b.w & ~1;
          std::memmove(d + (b.dx >> 1), sr + (b.sx >> 1), static_cast<size_t>(i >> 1));
        }
        for (; i < b.w; ++i) Set4(d, b.dx + i, Get4(sr, b.sx + i));
      });
      break;
    default: {
      const int bpp = BitCount() / 8;
      ForRows(*this, source, b, [&](uint8_t* d, const uint8_t* sr, int, int) {
        std::memmove(d + b.dx * bpp, sr + b.sx * bpp, static_cast<size_t>(b.w) * bpp);
      });
      break;
    }
  }
}

void TDIBSurface::DrawKeyed(int x, int y, uint32_t key, const TRect& src_rect, const TDIBSurface& source) {
  CheckSameFormat(source);
  TRect s = src_rect;
  if (!ClipBlock(x, y, s, source)) return;
  const Block b{x, y, s.Left, s.Top, s.Width(), s.Height()};
  switch (BitCount()) {
    case 1:
      ForRows(*this, source, b, [&](uint8_t* d, const uint8_t* sr, int, int) {
        for (int i = 0; i < b.w; ++i) {
          const unsigned v = Get1(sr, b.sx + i);
          if (v != key) Set1(d, b.dx + i, v);
        }
      });
      break;
    case 4:
      ForRows(*this, source, b, [&](uint8_t* d, const uint8_t* sr, int, int) {
        for (int i = 0; i < b.w; ++i) {
          const unsigned v = Get4(sr, b.sx + i);
          if (v != key) Set4(d, b.dx + i, v);
        }
      });
      break;
    case 8:
      ForRows(*this, source, b, [&](uint8_t* d, const uint8_t* sr, int, int) {
        d += b.dx;
        sr += b.sx;
        for (int i = 0; i < b.w; ++i)
          if (sr[i] != key) d[i] = sr[i];
      });
      break;
    case 16:
      ForRows(*this, source, b, [&](uint8_t* d, const uint8_t* sr, int, int) {
        d += 2 * b.dx;
        sr += 2 * b.sx;
        for (int i = 0; i < b.w; ++i, d += 2, sr += 2)
          if (Load16(sr) != key) std::memcpy(d, sr, 2);
      });
      break;
    case 24:
      ForRows(*this, source, b, [&](uint8_t* d, const uint8_t* sr, int, int) {
        d += 3 * b.dx;
        sr += 3 * b.sx;
        for (int i = 0; i < b.w; ++i, d += 3, sr += 3)
          if (Load24(sr) != key) std::memcpy(d, sr, 3);
      });
      break;
    default:
      ForRows(*this, source, b, [&](uint8_t* d, const uint8_t* sr, int, int) {
        d += 4 * b.dx;
        sr += 4 * b.sx;
        for (int i = 0; i < b.w; ++i, d += 4, sr += 4)
          if (Load32(sr) != key) std::memcpy(d, sr, 4);
      });
      break;
  }
}

void TDIBSurface::DrawTranslucent(int x, int y, int opacity, int32_t key, const TRect& src_rect,
                                  const TDIBSurface& source) {
  CheckSameFormat(source);
  if (opacity == 0) return;
  const bool palette = BitCount() <= 8;
  const int level = palette && opacity > 0 ? opacity / 16 : 0;
  if (opacity >= 255 || opacity < 0 || (palette && level >= 15)) {
    DrawKeyed(x, y, key, src_rect, source);
    return;
  }
  TRect s = src_rect;
  if (!ClipBlock(x, y, s, source)) return;
  const Block b{x, y, s.Left, s.Top, s.Width(), s.Height()};
  const uint32_t k = static_cast<uint32_t>(key);
  const uint32_t a = static_cast<uint32_t>(opacity), na = 255 - a;
  switch (BitCount()) {
    case 1:
    case 4:
    case 8: {
      // A pixel is drawn where the matrix at its destination position is at
      // most the level: level 0 draws one pixel in sixteen, 14 all but one.
      const int bits = BitCount();
      ForRows(*this, source, b, [&](uint8_t* d, const uint8_t* sr, int dy, int) {
        const uint8_t* m = kDither[dy & 3];
        for (int i = 0; i < b.w; ++i) {
          const int dx = b.dx + i, sx = b.sx + i;
          if (m[dx & 3] > level) continue;
          if (bits == 8) {
            if (sr[sx] != k) d[dx] = sr[sx];
          } else if (bits == 4) {
            const unsigned v = Get4(sr, sx);
            if (v != k) Set4(d, dx, v);
          } else {
            const unsigned v = Get1(sr, sx);
            if (v != k) Set1(d, dx, v);
          }
        }
      });
      break;
    }
    case 16: {
      const TPixelFormat& f = PixelFormat();
      const uint32_t masks[3] = {f.RMask, f.GMask, f.BMask};
      ForRows(*this, source, b, [&](uint8_t* d, const uint8_t* sr, int, int) {
        d += 2 * b.dx;
        sr += 2 * b.sx;
        for (int i = 0; i < b.w; ++i, d += 2, sr += 2) {
          const uint32_t sv = Load16(sr);
          if (sv == k) continue;
          const uint32_t dv = Load16(d);
          uint32_t out = 0;
          for (uint32_t m : masks) out |= ((na * (dv & m) + a * (sv & m)) / 255) & m;
          Store16(d, out);
        }
      });
      break;
    }
    case 24: {
      const bool keyed = key >= 0;
      const uint8_t k0 = static_cast<uint8_t>(k), k1 = static_cast<uint8_t>(k >> 8), k2 = static_cast<uint8_t>(k >> 16);
      ForRows(*this, source, b, [&](uint8_t* d, const uint8_t* sr, int, int) {
        d += 3 * b.dx;
        sr += 3 * b.sx;
        for (int i = 0; i < b.w; ++i, d += 3, sr += 3) {
          if (keyed && sr[0] == k0 && sr[1] == k1 && sr[2] == k2) continue;
          d[0] = static_cast<uint8_t>((na * d[0] + a * sr[0]) / 255);
          d[1] = static_cast<uint8_t>((na * d[1] + a * sr[1]) / 255);
          d[2] = static_cast<uint8_t>((na * d[2] + a * sr[2]) / 255);
        }
      });
      break;
    }
    default:
      ForRows(*this, source, b, [&](uint8_t* d, const uint8_t* sr, int, int) {
        d += 4 * b.dx;
        sr += 4 * b.sx;
        for (int i = 0; i < b.w; ++i, d += 4, sr += 4) {
          const uint32_t sv = Load32(sr);
          if (sv != k) Store32(d, Blend32(Load32(d), sv, a));
        }
      });
      break;
  }
}

void TDIBSurface::DrawAlpha(int x, int y, int opacity, const TRect& src_rect, const TDIBSurface& source) {
  const TDIBSurface* alpha = source.Alpha();
  if (!alpha || alpha->Width() != source.Width() || alpha->Height() != source.Height() || alpha->BitCount() != 8) {
    DrawTranslucent(x, y, opacity, -1, src_rect, source);
    return;
  }
  CheckSameFormat(source);
  TRect s = src_rect;
  if (!ClipBlock(x, y, s, source)) return;
  const Block b{x, y, s.Left, s.Top, s.Width(), s.Height()};
  // Each row routine also walks the source's alpha row.
  auto rows = [&](auto row) {
    for (int r = 0; r < b.h; ++r)
      row(ScanLine(b.dy + r), source.ScanLine(b.sy + r), alpha->ScanLine(b.sy + r) + b.sx);
  };
  switch (BitCount()) {
    case 1:
    case 4:
    case 8: {
      const int bits = BitCount();
      rows([&](uint8_t* d, const uint8_t* sr, const uint8_t* al) {
        for (int i = 0; i < b.w; ++i) {
          if (al[i] < 128) continue;
          const int dx = b.dx + i, sx = b.sx + i;
          if (bits == 8) d[dx] = sr[sx];
          else if (bits == 4) Set4(d, dx, Get4(sr, sx));
          else Set1(d, dx, Get1(sr, sx));
        }
      });
      break;
    }
    case 16: {
      const TPixelFormat& f = PixelFormat();
      const uint32_t masks[3] = {f.RMask, f.GMask, f.BMask};
      rows([&](uint8_t* d, const uint8_t* sr, const uint8_t* al) {
        d += 2 * b.dx;
        sr += 2 * b.sx;
        for (int i = 0; i < b.w; ++i, d += 2, sr += 2) {
          const uint32_t al_i = al[i];
          if (al_i == 0) continue;
          if (al_i == 255) {
            std::memcpy(d, sr, 2);
            continue;
          }
          const uint32_t sv = Load16(sr), dv = Load16(d);
          uint32_t out = 0;
          for (uint32_t m : masks) out |= (((dv & m) * (255 - al_i) + (sv & m) * al_i) >> 8) & m;
          Store16(d, out);
        }
      });
      break;
    }
    case 24:
      if (opacity >= 255) {
        rows([&](uint8_t* d, const uint8_t* sr, const uint8_t* al) {
          d += 3 * b.dx;
          sr += 3 * b.sx;
          for (int i = 0; i < b.w; ++i, d += 3, sr += 3) {
            const uint32_t al_i = al[i];
            if (al_i == 0) continue;
            if (al_i == 255) {
              std::memcpy(d, sr, 3);
              continue;
            }
            for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((al_i * sr[c] + (255 - al_i) * d[c]) >> 8);
          }
        });
      } else {
        const int a = opacity;
        rows([&](uint8_t* d, const uint8_t* sr, const uint8_t* al) {
          d += 3 * b.dx;
          sr += 3 * b.sx;
          for (int i = 0; i < b.w; ++i, d += 3, sr += 3) {
            const int weight = a * al[i];
            if (weight <= 255) continue;
            const uint32_t w2 = static_cast<uint32_t>(weight >> 8);
            for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(((255 - w2) * d[c] + w2 * sr[c]) >> 8);
          }
        });
      }
      break;
    default:
      rows([&](uint8_t* d, const uint8_t* sr, const uint8_t* al) {
        d += 4 * b.dx;
        sr += 4 * b.sx;
        for (int i = 0; i < b.w; ++i, d += 4, sr += 4) {
          const uint32_t al_i = al[i];
          if (al_i == 0) continue;
          if (al_i == 255) std::memcpy(d, sr, 4);
          else Store32(d, Blend32(Load32(d), Load32(sr), al_i));
        }
      });
      break;
  }
}

// --- alpha surface ---

void TDIBSurface::CreateAlpha() {
  if (!alpha_) alpha_ = std::make_unique<TDIBSurface>();
  if (alpha_->Width() != Width() || alpha_->Height() != Height() || alpha_->BitCount() != 8)
    alpha_->SetSize(Width(), Height(), 8);
}

void TDIBSurface::CopyAlpha(const TDIB& source) {
  CreateAlpha();
  if (alpha_->Empty() || source.Empty()) return;
  const size_t n = static_cast<size_t>(std::min(alpha_->Stride(), source.Stride()));
  const int rows = std::min(alpha_->Height(), source.Height());
  for (int y = 0; y < rows; ++y) std::memcpy(alpha_->ScanLine(y), source.ScanLine(y), n);
}

void TDIBSurface::FillAlpha() {
  if (alpha_ && !alpha_->Empty()) std::memset(alpha_->Bits(), 255, alpha_->ImageSize());
}

void TDIBSurface::FreeAlpha() { alpha_.reset(); }

void TDIBSurface::AssignSurface(const TDIBSurface& source) {
  if (&source == this) return;
  std::unique_ptr<TDIBSurface> alpha;
  if (source.alpha_) {
    alpha = std::make_unique<TDIBSurface>();
    alpha->Assign(*source.alpha_);
  }
  Assign(source);
  alpha_ = std::move(alpha);
}

void TDIBSurface::MirrorHorizontal() {
  const int w = Width();
  for (int y = 0; y < Height(); ++y) {
    uint8_t* row = ScanLine(y);
    switch (BitCount()) {
      case 1:
        for (int i = 0, j = w - 1; i < j; ++i, --j) {
          const unsigned a = Get1(row, i), c = Get1(row, j);
          Set1(row, i, c);
          Set1(row, j, a);
        }
        break;
      case 4:
        for (int i = 0, j = w - 1; i < j; ++i, --j) {
          const unsigned a = Get4(row, i), c = Get4(row, j);
          Set4(row, i, c);
          Set4(row, j, a);
        }
        break;
      default: {
        const int bpp = BitCount() / 8;
        uint8_t t[4];
        for (int i = 0, j = w - 1; i < j; ++i, --j) {
          std::memcpy(t, row + i * bpp, bpp);
          std::memcpy(row + i * bpp, row + j * bpp, bpp);
          std::memcpy(row + j * bpp, t, bpp);
        }
        break;
      }
    }
  }
  if (alpha_) alpha_->MirrorHorizontal();
}

void TDIBSurface::FlipVertical() {
  std::vector<uint8_t> t(static_cast<size_t>(Stride()));
  for (int i = 0, j = Height() - 1; i < j; ++i, --j) {
    std::memcpy(t.data(), ScanLine(i), t.size());
    std::memcpy(ScanLine(i), ScanLine(j), t.size());
    std::memcpy(ScanLine(j), t.data(), t.size());
  }
  if (alpha_) alpha_->FlipVertical();
}
