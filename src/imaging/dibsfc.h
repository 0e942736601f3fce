// TDIBSurface: the bitmap the picture reader decodes and composes on, with an
// optional 8-bit alpha surface, a clip rectangle and the block operations that
// copy one surface onto another: plain, colour-keyed, translucent (ordered
// dithering at palette depths) and alpha-blended.
//
// Block operations (DrawOpaque, DrawKeyed, DrawTranslucent, DrawAlpha) take a
// destination position (x, y), a source rectangle and a source surface of the
// same bit count and pixel format (else EInvalidGraphicOperation). The source
// rectangle is first cut to the source surface, then the destination area to
// ClipRect (the whole surface when ClipRect is empty), shifting the source
// consistently; when nothing is left nothing is drawn. Source and destination
// may be the same surface only when the areas do not overlap. Each depth has
// its own row routine; no call per pixel.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/dib.h"

class TDIBSurface : public TDIB {
 public:
  TDIBSurface() = default;
  TDIBSurface(TDIBSurface&&) noexcept = default;
  TDIBSurface& operator=(TDIBSurface&&) noexcept = default;

  // 15 selects 5-5-5 and 16 bits, 16 selects 5-6-5, any other depth 8-8-8;
  // then TDIB::SetSize. An existing alpha surface follows the new size.
  // Throws as TDIB::SetSize and then keeps pixels and format.
  void SetSize(int width, int height, int bit_count) override;
  // Makes the surface empty and frees the alpha surface.
  void Clear() override;

  // 15 for a 16-bit 5-5-5 surface, else BitCount().
  int EffectiveBitCount() const;
  // The raw value nearest to (red, green, blue), each 0..255: the nearest
  // colour-table entry at palette depths (the first of equals), the packed
  // value at 15/16 bits, red << 16 | green << 8 | blue at 24 and 32 bits.
  uint32_t ColorToValue(int red, int green, int blue) const;
  uint32_t ColorToValue(TColor color) const {
    return ColorToValue(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
  }
  TRect BoundsRect() const { return {0, 0, Width(), Height()}; }

  // Every pixel of rect (cut to the surface) set to value, keeping only the
  // bits the depth holds (15 bits at 5-5-5).
  void FillRectValue(const TRect& rect, uint32_t value);

  TRect ClipRect;  // empty: the whole surface

  void DrawOpaque(int x, int y, const TDIBSurface& source) { DrawOpaque(x, y, source.BoundsRect(), source); }
  // Copies pixels unchanged (bit- and nibble-exact at 1 and 4 bits, leaving the
  // other pixels of shared bytes alone).
  void DrawOpaque(int x, int y, const TRect& src, const TDIBSurface& source);
  // Copies the pixels whose whole raw value differs from key (-1 at 32 bits
  // stands for 0xFFFFFFFF).
  void DrawKeyed(int x, int y, uint32_t key, const TRect& src, const TDIBSurface& source);
  void DrawKeyed(int x, int y, int32_t key, const TRect& src, const TDIBSurface& source) {
    DrawKeyed(x, y, static_cast<uint32_t>(key), src, source);
  }
  // Blends by opacity 0..255, skipping pixels equal to key. Opacity 0 draws
  // nothing; 255 and above (15 levels at palette depths) or below 0 is
  // DrawKeyed. Palette depths use a 4x4 ordered dither instead of arithmetic.
  void DrawTranslucent(int x, int y, int opacity, int32_t key, const TRect& src, const TDIBSurface& source);
  // Blends through the source's alpha surface (opacity counts at 24 bits
  // only); a source without one is DrawTranslucent with no key.
  void DrawAlpha(int x, int y, int opacity, const TRect& src, const TDIBSurface& source);

  // The optional 8-bit alpha surface, same width and height (0 transparent,
  // 255 opaque); owned, freed with the surface and when it is made empty.
  TDIBSurface* Alpha() { return alpha_.get(); }
  const TDIBSurface* Alpha() const { return alpha_.get(); }
  // Creates the alpha surface when missing (zero-filled) and gives it the
  // surface's size at 8 bits.
  void CreateAlpha();
  // CreateAlpha, then the rows of source (an 8-bit bitmap) into it, each row
  // cut to the shorter of the two strides; rows beyond source stay as they were.
  void CopyAlpha(const TDIB& source);
  void FillAlpha();  // every alpha byte 255, when there is an alpha surface
  void FreeAlpha();

  // Takes source's size, effective bit count, colour table and pixels, and a
  // copy of its alpha surface (or none).
  void AssignSurface(const TDIBSurface& source);
  // Swap pixels left-right / rows top-bottom; the alpha surface moves along.
  void MirrorHorizontal();
  void FlipVertical();

 private:
  // Cuts the block to the source and to the clip; false when nothing is left.
  // On true, src is the source area and (x, y) its destination.
  bool ClipBlock(int& x, int& y, TRect& src, const TDIBSurface& source) const;
  void CheckSameFormat(const TDIBSurface& source) const;

  std::unique_ptr<TDIBSurface> alpha_;
};
