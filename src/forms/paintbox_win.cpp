#include "forms/paintbox_win.h"

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
  const TDIBInfo info = dib_.Info();
  const auto* bmi = reinterpret_cast<const BITMAPINFO*>(&info);
  const int bw = dib_.Width(), bh = dib_.Height();
  int x = 0, y = 0, w = bw, h = bh;
  if (stretch_) {
    w = bounds_.width;
    h = bounds_.height;
  } else if (center_) {
    x = (bounds_.width - bw) / 2;  // rounded toward zero: a larger picture is cut equally on both sides
    y = (bounds_.height - bh) / 2;
  }
  const int old_mode = SetStretchBltMode(dc, COLORONCOLOR);
  GdiFlush();
  StretchDIBits(dc, x, y, w, h, 0, 0, bw, bh, dib_.Bits(), bmi, DIB_RGB_COLORS, SRCCOPY);
  SetStretchBltMode(dc, old_mode);
}
