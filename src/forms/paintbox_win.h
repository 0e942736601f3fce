// TDXPaintBox: a windowless control that owns a bitmap and paints it unscaled
// at its top left corner, centred, or stretched over the whole box (the
// stretch drops pixels rather than blending them). An empty bitmap paints
// nothing, so whatever lies beneath stays visible.
#pragma once

#include "forms/control_win.h"
#include "imaging/dib.h"

class TDXPaintBox : public TGraphicControl {
 public:
  explicit TDXPaintBox(TWinContainer* parent, const ControlBounds& bounds);

  TDIB& DIB() { return dib_; }
  bool Center() const { return center_; }
  bool Stretch() const { return stretch_; }
  void SetCenter(bool center);
  void SetStretch(bool stretch);

  void Paint(HDC dc) override;

 private:
  TDIB dib_;
  bool center_ = false;
  bool stretch_ = false;
};
