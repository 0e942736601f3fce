#include "forms/bevel_win.h"

TBevel::TBevel(TWinContainer* parent, const ControlBounds& bounds) : TControl(parent, 0) {
  CreateHandle(L"STATIC", "", WS_VISIBLE | SS_ETCHEDHORZ, 0, bounds);
}
