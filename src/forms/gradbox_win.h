// TGradBox: a windowless control that paints a banded colour gradient from
// StartColor to EndColor in GradStep steps, top to bottom or left to right.
// The bands are those of the design size, scaled to the DPI.
#pragma once

#include <functional>

#include "forms/control_win.h"
#include "imaging/gradbox.h"

class TGradBox : public TGraphicControl {
 public:
  explicit TGradBox(TWinContainer* parent, const ControlBounds& bounds);

  TColor StartColor() const { return start_; }
  TColor EndColor() const { return end_; }
  int GradStep() const { return steps_; }
  TGradDirection Direction() const { return direction_; }
  // Each setter repaints and reports OnChange; Direction only when it changes.
  void SetColor(int index, TColor color);  // 1 start, 2 end
  void SetStartColor(TColor c) { SetColor(1, c); }
  void SetEndColor(TColor c) { SetColor(2, c); }
  void SetGradStep(int steps);
  void SetDirection(TGradDirection direction);

  std::function<void()> OnChange;
  void Paint(HDC dc) override;

 private:
  void Changed();
  TColor start_ = 0x00FFFFFF;
  TColor end_ = 0;
  int steps_ = 128;
  TGradDirection direction_ = TGradDirection::gdVertical;
};
