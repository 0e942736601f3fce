// A read-only text of many lines with a vertical scroll bar. Its text is
// UTF-16: it shows documents, which may hold what Shift-JIS cannot.
#pragma once

#include <string>

#include "forms/control_win.h"

class TMemo : public TControl {
 public:
  struct Args {
    ControlBounds bounds;
    int id = 0;
  };
  TMemo(TWinContainer* parent, const Args& args);
  void SetWideText(const std::u16string& text);
};
