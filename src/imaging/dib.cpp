#include "imaging/dib.h"

#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <utility>

#include "base/format.h"

namespace {

bool ValidBitCount(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// A 5- or 6-bit field widened to 0..255 by repeating its top bits, so that the
// largest field value becomes 255.
inline uint8_t Widen(uint32_t field, int bits) {
  if (bits >= 8) return static_cast<uint8_t>(field);
  return static_cast<uint8_t>((field << (8 - bits)) | (field >> (2 * bits - 8)));
}

}  // namespace

TPixelFormat MakePixelFormat(int red_bits, int green_bits, int blue_bits) {
  TPixelFormat f;
  f.BBits = blue_bits;
  f.GBits = green_bits;
  f.RBits = red_bits;
  f.BShift = 0;
  f.GShift = blue_bits;
  f.RShift = blue_bits + green_bits;
  f.BMask = ((1u << blue_bits) - 1) << f.BShift;
  f.GMask = ((1u << green_bits) - 1) << f.GShift;
  f.RMask = ((1u << red_bits) - 1) << f.RShift;
  return f;
}

int64_t DIBStride(int64_t width, int bit_count) {
  if (width <= 0 || bit_count <= 0) return 0;
  return (width * bit_count + 31) / 32 * 4;
}

void TDIB::FreeDeleter::operator()(uint8_t* p) const { std::free(p); }

void TDIB::SetPixelFormat(int red_bits, int green_bits, int blue_bits) {
  const bool known = (red_bits == 5 && green_bits == 5 && blue_bits == 5) ||
                     (red_bits == 5 && green_bits == 6 && blue_bits == 5) ||
                     (red_bits == 8 && green_bits == 8 && blue_bits == 8);
  if (!known) throw EInvalidGraphicOperation("不正なピクセルフォーマットです");
  format_ = MakePixelFormat(red_bits, green_bits, blue_bits);
}

void TDIB::CheckFormat(int bit_count, const TPixelFormat& format) const {
  if (!ValidBitCount(bit_count)) throw EInvalidGraphicOperation(Format("不正なビット数です (%d)", bit_count));
  if (bit_count == 16 && format != MakePixelFormat(5, 5, 5) && format != MakePixelFormat(5, 6, 5))
    throw EInvalidGraphicOperation("不正なピクセルフォーマットです");
}

void TDIB::SetSize(int width, int height, int bit_count) {
  if (width == width_ && height == height_ && bit_count == bit_count_ && format_ == area_format_ && pixels_) return;
  if (width <= 0 || height <= 0) {
    Clear();
    return;
  }
  CheckFormat(bit_count, format_);
  const int64_t stride = DIBStride(width, bit_count);
  if (stride > kMaxBitmapBytes / height)
    throw EInvalidGraphicOperation(Format("画像が大きすぎます (%d×%d, %dビット)", width, height, bit_count));
  const size_t bytes = static_cast<size_t>(stride * height);
  uint8_t* p = static_cast<uint8_t*>(std::calloc(bytes, 1));
  if (!p)
    throw EInvalidGraphicOperation(Format("画像のメモリが足りません (%d×%d, %dビット)", width, height, bit_count));
  pixels_.reset(p);
  width_ = width;
  height_ = height;
  bit_count_ = bit_count;
  stride_ = static_cast<int>(stride);
  area_format_ = format_;
}

void TDIB::Clear() {
  pixels_.reset();
  width_ = height_ = stride_ = 0;
}

TDIBInfo TDIB::Info() const {
  TDIBInfo info;
  info.Header.biWidth = width_;
  info.Header.biHeight = height_;
  info.Header.biBitCount = static_cast<uint16_t>(bit_count_);
  info.Header.biSizeImage = static_cast<uint32_t>(ImageSize());
  if (bit_count_ == 16) {
    info.Header.biCompression = 3;
    const uint32_t masks[3] = {format_.RMask, format_.GMask, format_.BMask};
    std::memcpy(info.Colors, masks, sizeof masks);
  } else if (bit_count_ <= 8) {
    info.Header.biClrUsed = static_cast<uint32_t>(ColorCount());
    std::memcpy(info.Colors, colors_, sizeof colors_);
  }
  return info;
}

uint32_t TDIB::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* row = ScanLine(y);
  switch (bit_count_) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    case 8: return row[x];
    case 16: return row[2 * x] | (row[2 * x + 1] << 8);
    case 24: return row[3 * x] | (row[3 * x + 1] << 8) | (static_cast<uint32_t>(row[3 * x + 2]) << 16);
    default: {
      uint32_t v;
      std::memcpy(&v, row + 4 * x, 4);
      return v;
    }
  }
}

void TDIB::SetPixel(int x, int y, uint32_t value) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint8_t* row = ScanLine(y);
  switch (bit_count_) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<uint8_t>((value & 1) ? row[x >> 3] | bit : row[x >> 3] & ~bit);
      break;
    }
    case 4: {
      uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (value & 0xF))
                  : static_cast<uint8_t>((b & 0x0F) | ((value & 0xF) << 4));
      break;
    }
    case 8: row[x] = static_cast<uint8_t>(value); break;
    case 16:
      row[2 * x] = static_cast<uint8_t>(value);
      row[2 * x + 1] = static_cast<uint8_t>(value >> 8);
      break;
    case 24:
      row[3 * x] = static_cast<uint8_t>(value);
      row[3 * x + 1] = static_cast<uint8_t>(value >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(value >> 16);
      break;
    default: std::memcpy(row + 4 * x, &value, 4); break;
  }
}

TRGBTriple TDIB::ValueToColor(uint32_t value) const {
  TRGBTriple c;
  if (bit_count_ <= 8) {
    const TRGBQuad& q = colors_[value & 0xFF];
    c.Red = q.Red;
    c.Green = q.Green;
    c.Blue = q.Blue;
  } else if (bit_count_ == 16) {
    c.Red = static_cast<int>((value & format_.RMask) >> format_.RShift);
    c.Green = static_cast<int>((value & format_.GMask) >> format_.GShift);
    c.Blue = static_cast<int>((value & format_.BMask) >> format_.BShift);
  } else {
    c.Red = (value >> 16) & 0xFF;
    c.Green = (value >> 8) & 0xFF;
    c.Blue = value & 0xFF;
  }
  return c;
}

TColor TDIB::ValueToDisplayColor(uint32_t value) const {
  const TRGBTriple c = ValueToColor(value);
  int r = c.Red, g = c.Green, b = c.Blue;
  if (bit_count_ == 16) {
    r = Widen(static_cast<uint32_t>(r), format_.RBits);
    g = Widen(static_cast<uint32_t>(g), format_.GBits);
    b = Widen(static_cast<uint32_t>(b), format_.BBits);
  }
  return r | (g << 8) | (b << 16);
}

void TDIB::Assign(const TDIB& source) {
  if (&source == this) return;
  if (source.Empty()) {
    Clear();
  } else {
    const TPixelFormat saved = format_;
    format_ = source.format_;
    try {
      // Not the virtual one: a surface's SetSize would pick its own format.
      TDIB::SetSize(source.width_, source.height_, source.bit_count_);
    } catch (...) {
      format_ = saved;
      throw;
    }
    std::memcpy(pixels_.get(), source.pixels_.get(), source.ImageSize());
  }
  format_ = source.format_;
  std::memcpy(colors_, source.colors_, sizeof colors_);
}

void TDIB::DrawTo24(TDIB& dest, int x, int y) const {
  if (dest.BitCount() != 24) throw EInvalidGraphicOperation(Format("不正なビット数です (%d)", dest.BitCount()));
  if (Empty() || dest.Empty()) return;
  // Overlap in 64-bit arithmetic: x and y may lie far outside dest.
  const int64_t left = x < 0 ? -int64_t{x} : 0, top = y < 0 ? -int64_t{y} : 0;
  const int64_t right = std::min<int64_t>(width_, int64_t{dest.Width()} - x);
  const int64_t bottom = std::min<int64_t>(height_, int64_t{dest.Height()} - y);
  if (left >= right || top >= bottom) return;
  const int sx0 = static_cast<int>(left), n = static_cast<int>(right - left);

  // One lookup table per palette; 16-bit fields widened once per row.
  uint8_t table[256][3];
  if (bit_count_ <= 8) {
    for (int i = 0; i < 256; ++i) {
      table[i][0] = colors_[i].Blue;
      table[i][1] = colors_[i].Green;
      table[i][2] = colors_[i].Red;
    }
  }
  const TPixelFormat& f = format_;
  for (int64_t sy = top; sy < bottom; ++sy) {
    const uint8_t* s = ScanLine(static_cast<int>(sy));
    uint8_t* d = dest.ScanLine(static_cast<int>(sy + y)) + (static_cast<int64_t>(sx0) + x) * 3;
    switch (bit_count_) {
      case 1:
      case 4:
        for (int i = 0, sx = sx0; i < n; ++i, ++sx, d += 3) {
          const unsigned v = bit_count_ == 1 ? (s[sx >> 3] >> (7 - (sx & 7))) & 1
                                             : (s[sx >> 1] >> ((sx & 1) ? 0 : 4)) & 0xF;
          std::memcpy(d, table[v], 3);
        }
        break;
      case 8:
        s += sx0;
        for (int i = 0; i < n; ++i, d += 3) std::memcpy(d, table[s[i]], 3);
        break;
      case 16:
        s += 2 * sx0;
        for (int i = 0; i < n; ++i, d += 3) {
          const uint32_t v = s[2 * i] | (s[2 * i + 1] << 8);
          d[0] = Widen((v & f.BMask) >> f.BShift, f.BBits);
          d[1] = Widen((v & f.GMask) >> f.GShift, f.GBits);
          d[2] = Widen((v & f.RMask) >> f.RShift, f.RBits);
        }
        break;
      case 24: std::memcpy(d, s + 3 * sx0, static_cast<size_t>(n) * 3); break;
      default:
        s += 4 * sx0;
        for (int i = 0; i < n; ++i, d += 3, s += 4) {
          d[0] = s[0];
          d[1] = s[1];
          d[2] = s[2];
        }
        break;
    }
  }
}

void TDIB::ConvertTo24(TDIB& dest) const {
  // Built aside first: dest may be this bitmap itself.
  TDIB out;
  out.format_ = MakePixelFormat(8, 8, 8);
  if (!Empty()) {
    out.SetSize(width_, height_, 24);
    DrawTo24(out, 0, 0);
  }
  dest = std::move(out);
}
