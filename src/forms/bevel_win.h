// A horizontal etched line.
#pragma once

#include "forms/control_win.h"

class TBevel : public TControl {
 public:
  TBevel(TWinContainer* parent, const ControlBounds& bounds);
};
