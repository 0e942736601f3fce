// TDIB: an in-memory device-independent bitmap, the base of the picture
// surfaces. Portable: no window-system headers.
//
// Memory layout (exactly what a bottom-up Windows DIB is, so that a display
// layer can hand Info() and Bits() straight to StretchDIBits):
//   - Bits() points at the lowest address, which holds the BOTTOM row.
//   - Row y (0 = top) starts at Bits() + (Height() - 1 - y) * Stride(); the step
//     from row y to row y + 1 is -Stride().
//   - Stride() = ((Width() * BitCount() + 31) / 32) * 4 bytes.
//   - 1 and 4 bits: leftmost pixel in the most significant bits of a byte;
//     8 bits: a palette index per byte; 16 bits: one little-endian word in the
//     pixel format (5-5-5 or 5-6-5); 24 bits: blue, green, red; 32 bits: blue,
//     green, red and a fourth byte that carries no colour.
//   - ColorTable(): 256 entries of blue, green, red, reserved; the first
//     1 << BitCount() are used at 1, 4 and 8 bits.
// Colours (TColor) are 0x00BBGGRR values. The bitmap owns its pixels; it is
// move-only (copies go through Assign).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/errors.h"

// Errors of bitmap operations (an invalid bit count or pixel format, a size a
// 32-bit process cannot hold). Raised before anything is changed.
class EInvalidGraphicOperation : public EFormatError {
  using EFormatError::EFormatError;
};

using TColor = int32_t;  // 0x00BBGGRR

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Left >= Right || Top >= Bottom; }
  bool operator==(const TRect& o) const {
    return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
  }
};
inline TRect Bounds(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

struct TRGBQuad {
  uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
};
static_assert(sizeof(TRGBQuad) == 4, "an RGBQUAD is 4 bytes");

// Red, green and blue components in the pixel format's own ranges (0..31 for a
// 5-bit field, 0..63 for 6 bits, 0..255 otherwise).
struct TRGBTriple {
  int Red = 0, Green = 0, Blue = 0;
};

struct TPixelFormat {
  uint32_t RMask = 0xFF0000, GMask = 0x00FF00, BMask = 0x0000FF;
  int RBits = 8, GBits = 8, BBits = 8;
  int RShift = 16, GShift = 8, BShift = 0;
  bool operator==(const TPixelFormat& o) const {
    return RMask == o.RMask && GMask == o.GMask && BMask == o.BMask;
  }
  bool operator!=(const TPixelFormat& o) const { return !(*this == o); }
};
// Red in the high bits, blue in the low bits.
TPixelFormat MakePixelFormat(int red_bits, int green_bits, int blue_bits);

// Field for field a BITMAPINFOHEADER (40 bytes, little-endian).
struct TDIBInfoHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // positive: bottom-up
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;  // 0 BI_RGB, 3 BI_BITFIELDS
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
static_assert(sizeof(TDIBInfoHeader) == 40, "laid out as BITMAPINFOHEADER");

// A BITMAPINFO with room for the whole colour table. At 16 bits the header
// says BI_BITFIELDS and the first three table slots hold the red, green and
// blue masks, which is where a BITMAPINFO keeps them.
struct TDIBInfo {
  TDIBInfoHeader Header;
  TRGBQuad Colors[256];
};
static_assert(sizeof(TDIBInfo) == 40 + 1024, "laid out as BITMAPINFO with 256 colours");

// The largest pixel area one bitmap may take. Far above any picture the
// installer shows, and low enough that a damaged size cannot exhaust a
// 32-bit process.
constexpr int64_t kMaxBitmapBytes = int64_t{256} << 20;

class TDIB {
 public:
  TDIB() = default;
  virtual ~TDIB() = default;
  TDIB(TDIB&&) noexcept = default;
  TDIB& operator=(TDIB&&) noexcept = default;
  TDIB(const TDIB&) = delete;
  TDIB& operator=(const TDIB&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitCount() const { return bit_count_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  int Stride() const { return stride_; }
  const TPixelFormat& PixelFormat() const { return format_; }
  // Takes effect at the next SetSize (the pixel area is rebuilt for it).
  // Throws EInvalidGraphicOperation "不正なピクセルフォーマットです" for a triple
  // other than 5-5-5, 5-6-5 or 8-8-8.
  void SetPixelFormat(int red_bits, int green_bits, int blue_bits);

  // Same size, bit count and masks: nothing happens. width or height <= 0: the
  // bitmap becomes empty. Otherwise a new, zero-filled pixel area replaces the
  // old one. Throws EInvalidGraphicOperation ("不正なビット数です (%d)" for a bit
  // count other than 1, 4, 8, 16, 24, 32; "不正なピクセルフォーマットです" for a
  // 16-bit format other than 5-5-5 / 5-6-5; or a size above kMaxBitmapBytes)
  // and then keeps its previous pixels.
  virtual void SetSize(int width, int height, int bit_count);
  virtual void Clear();  // makes the bitmap empty

  // Pixel rows (see the layout above). ScanLine(y) requires 0 <= y < Height().
  uint8_t* Bits() { return pixels_.get(); }
  const uint8_t* Bits() const { return pixels_.get(); }
  size_t ImageSize() const { return static_cast<size_t>(stride_) * static_cast<size_t>(height_); }
  uint8_t* ScanLine(int y) { return pixels_.get() + static_cast<size_t>(height_ - 1 - y) * stride_; }
  const uint8_t* ScanLine(int y) const { return pixels_.get() + static_cast<size_t>(height_ - 1 - y) * stride_; }
  ptrdiff_t NextLine() const { return -static_cast<ptrdiff_t>(stride_); }

  TRGBQuad* ColorTable() { return colors_; }
  const TRGBQuad* ColorTable() const { return colors_; }
  int ColorCount() const { return bit_count_ <= 8 && bit_count_ > 0 ? 1 << bit_count_ : 0; }
  // The header and colour table (or masks) that describe Bits().
  TDIBInfo Info() const;

  // Raw pixel value at (x, y): palette index at 1/4/8 bits, the packed value
  // otherwise. Outside the bitmap reads give 0 and writes do nothing. Writes
  // keep only the bits the depth holds.
  uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, uint32_t value);

  // Raw value -> components in the format's own ranges (palette entry at
  // palette depths; value 0..255 used as the index there).
  TRGBTriple ValueToColor(uint32_t value) const;
  // Raw value -> the colour it shows, each component scaled to 0..255 (what a
  // canvas reads back from the pixel).
  TColor ValueToDisplayColor(uint32_t value) const;

  // Copies size, bit count, pixel format, colour table and pixels.
  void Assign(const TDIB& source);

  // Draws this bitmap at 1:1 onto a 24-bit bitmap with its top left corner at
  // (x, y), cut by dest's edges: palette, 16- and 32-bit pixels become blue,
  // green, red bytes (5- and 6-bit fields scaled to 0..255). dest must have 24
  // bits (else EInvalidGraphicOperation); an empty overlap draws nothing.
  void DrawTo24(TDIB& dest, int x, int y) const;
  // dest := this bitmap as a 24-bit bitmap of the same size.
  void ConvertTo24(TDIB& dest) const;

 protected:
  // Bit-count and format checks of SetSize, without changing anything.
  void CheckFormat(int bit_count, const TPixelFormat& format) const;

 private:
  struct FreeDeleter {
    void operator()(uint8_t* p) const;
  };
  int width_ = 0, height_ = 0, bit_count_ = 0, stride_ = 0;
  TPixelFormat format_;
  TPixelFormat area_format_;  // the format the pixel area was made for
  TRGBQuad colors_[256] = {};
  std::unique_ptr<uint8_t, FreeDeleter> pixels_;
};

// Row size in bytes of a bitmap row (0 for nonsensical input).
int64_t DIBStride(int64_t width, int bit_count);
