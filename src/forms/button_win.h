// Push button, check box and radio button (the BUTTON window class). A caption
// may carry an "&" mnemonic.
#pragma once

#include "forms/control_win.h"

class TButton : public TControl {
 public:
  struct Args {
    std::string caption;
    ControlBounds bounds;
    int tag = 0;
    bool is_default = false;
    int id = 0;
  };
  TButton(TWinContainer* parent, const Args& args);
  // Acts as a click of the user.
  void Click();
  void HandleCommand(WORD code) override;
  // The thick frame of the button that Enter presses.
  bool DrawnAsDefault() const;
  void DrawAsDefault(bool is_default);
};

class TCheckBox : public TControl {
 public:
  struct Args {
    std::string caption;
    ControlBounds bounds;
    int id = 0;
  };
  TCheckBox(TWinContainer* parent, const Args& args);
  bool Checked() const;
  void SetChecked(bool checked);
  void HandleCommand(WORD code) override;
};

// Radio buttons with the same parent form one group.
class TRadioButton : public TControl {
 public:
  struct Args {
    std::string caption;
    ControlBounds bounds;
    bool first_in_group = false;
    int id = 0;
  };
  TRadioButton(TWinContainer* parent, const Args& args);
  bool Checked() const;
  void SetChecked(bool checked);
  void HandleCommand(WORD code) override;
};
