// A progress bar that counts from Min to Max with 32-bit values.
#pragma once

#include "forms/control_win.h"

class TProgressBar : public TControl {
 public:
  struct Args {
    ControlBounds bounds;
    int min = 0;
    int max = 100;
    int id = 0;
  };
  TProgressBar(TWinContainer* parent, const Args& args);
  void SetMax(int max);
  void SetPosition(int position);
  int Max() const;
  int Position() const;
};
