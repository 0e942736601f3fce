// A one-line edit box.
#pragma once

#include "forms/control_win.h"

class TEdit : public TControl {
 public:
  struct Args {
    std::string text;
    ControlBounds bounds;
    int id = 0;
  };
  TEdit(TWinContainer* parent, const Args& args);
  std::string Text() const { return Caption(); }
  // The text as typed, also where Shift-JIS cannot hold it (Text() has "?" there).
  std::u16string WideText() const;
  void SetText(const std::string& text) { SetCaption(text); }
  std::function<void()> OnChange;
  void HandleCommand(WORD code) override;
};
