#include "forms/paintbox_win.h"

#include "forms/dpi_scale.h"
#include "imaging/picture_scale.h"

TDXPaintBox::TDXPaintBox(TWinContainer* parent, const ControlBounds& bounds) : TGraphicControl(parent) {
  bounds_ = bounds;
}

void TDXPaintBox::SetCenter(bool center) {
  if (center == center_) return;
  center_ = center;
  Invalidate();
}

void TDXPaintBox::SetStretch(bool stretch) {
  if (stretch == stretch_) return;
  stretch_ = stretch;
  Invalidate();
}

void TDXPaintBox::Paint(HDC dc) {
  if (dib_.Empty()) return;
  const int bw = dib_.Width(), bh = dib_.Height();
  // The place of the bitmap in design pixels.
  int x = 0, y = 0, w = bw, h = bh;
  if (stretch_) {
    w = bounds_.width;
    h = bounds_.height;
  } else if (center_) {
    x = (bounds_.width - bw) / 2;  // rounded toward zero: a larger picture is cut equally on both sides
    y = (bounds_.height - bh) / 2;
  }
  const int dpi = Dpi();
  const TDIB* shown = &dib_;
  if (dpi != kDesignDpi) {
    const ScaledRect r = ScaleRectToDpi(x, y, w, h, dpi);
    x = r.left;
    y = r.top;
    w = r.width;
    h = r.height;
    if ((w != bw || h != bh) && dib_.BitCount() == 24) {  // other depths: the system stretches them
      if (scaled_.Width() != w || scaled_.Height() != h) ScalePicture(dib_, w, h, scaled_);
      shown = &scaled_;
    }
  }
  const TDIBInfo info = shown->Info();
  const auto* bmi = reinterpret_cast<const BITMAPINFO*>(&info);
  const int old_mode = SetStretchBltMode(dc, COLORONCOLOR);
  GdiFlush();
  StretchDIBits(dc, x, y, w, h, 0, 0, shown->Width(), shown->Height(), shown->Bits(), bmi, DIB_RGB_COLORS, SRCCOPY);
  SetStretchBltMode(dc, old_mode);
}
