#include "forms/gradbox_win.h"

#include <algorithm>

#include "forms/dpi_scale.h"

TGradBox::TGradBox(TWinContainer* parent, const ControlBounds& bounds) : TGraphicControl(parent) {
  bounds_ = bounds;
}

void TGradBox::Changed() {
  Invalidate();
  if (OnChange) OnChange();
}

void TGradBox::SetColor(int index, TColor color) {
  (index == 1 ? start_ : end_) = color;
  Changed();
}

void TGradBox::SetGradStep(int steps) {
  steps_ = std::clamp(steps, 0, 255);
  Changed();
}

void TGradBox::SetDirection(TGradDirection direction) {
  if (direction == direction_) return;
  direction_ = direction;
  Changed();
}

void TGradBox::Paint(HDC dc) {
  // The colours the device can really show, so the steps land on them.
  const TColor s = static_cast<TColor>(GetNearestColor(dc, static_cast<COLORREF>(start_)));
  const TColor e = static_cast<TColor>(GetNearestColor(dc, static_cast<COLORREF>(end_)));
  // The bands of the design size, each scaled by its edges: above 96 DPI the
  // same gradient, larger, with no band lost or doubled by rounding.
  const int dpi = Dpi();
  for (const TGradBand& band : ComputeGradBands(s, e, steps_, direction_, bounds_.width, bounds_.height)) {
    const RECT r = {ScaleToDpi(band.Rect.Left, dpi), ScaleToDpi(band.Rect.Top, dpi), ScaleToDpi(band.Rect.Right, dpi),
                    ScaleToDpi(band.Rect.Bottom, dpi)};
    SetDCBrushColor(dc, static_cast<COLORREF>(band.Color));
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
}
