// TDXPaintBox: a windowless control that owns a bitmap and paints it unscaled
// at its top left corner, centred, or stretched over the whole box (at 96 DPI
// the stretch drops pixels rather than blending them). An empty bitmap paints
// nothing, so whatever lies beneath stays visible.
//
// Above 96 DPI the box shows what it shows at 96 DPI, scaled to the DPI: the
// picture's place is scaled like any control's, and the bitmap is scaled to
// fill it once (picture_scale.h: whole multiples pixel for pixel, other sizes
// by area averaging) and kept until the bitmap or the size changes.
#pragma once

#include "forms/control_win.h"
#include "imaging/dib.h"

class TDXPaintBox : public TGraphicControl {
 public:
  explicit TDXPaintBox(TWinContainer* parent, const ControlBounds& bounds);

  // The bitmap, to be changed: the scaled copy is made again at the next paint.
  TDIB& DIB() {
    scaled_.Clear();
    return dib_;
  }
  bool Center() const { return center_; }
  bool Stretch() const { return stretch_; }
  void SetCenter(bool center);
  void SetStretch(bool stretch);

  void Paint(HDC dc) override;

 private:
  TDIB dib_;
  TDIB scaled_;  // dib_ at the size of the last paint above 96 DPI
  bool center_ = false;
  bool stretch_ = false;
};
