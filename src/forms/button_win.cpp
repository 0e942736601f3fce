#include "forms/button_win.h"

TButton::TButton(TWinContainer* parent, const Args& a) : TControl(parent, a.id) {
  Tag = a.tag;
  // BS_NOTIFY: the form hears when the focus comes or goes, to draw the
  // default frame where Enter acts.
  CreateHandle(L"BUTTON", a.caption,
               WS_VISIBLE | WS_TABSTOP | BS_NOTIFY | (a.is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, a.bounds);
}

void TButton::Click() {
  if (OnClick) OnClick();
}

void TButton::HandleCommand(WORD code) {
  if (code == BN_CLICKED) Click();
  else if ((code == BN_SETFOCUS || code == BN_KILLFOCUS) && parent_) parent_->FocusMayHaveMoved();
}

bool TButton::DrawnAsDefault() const {
  return (GetWindowLongW(hwnd_, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

void TButton::DrawAsDefault(bool is_default) {
  if (!hwnd_ || DrawnAsDefault() == is_default) return;
  // The button's other style bits (BS_NOTIFY) are passed along: some systems
  // take the whole low word from the message.
  const DWORD keep = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)) & 0xFFFF & ~static_cast<DWORD>(BS_TYPEMASK);
  SendMessageW(hwnd_, BM_SETSTYLE, keep | (is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), TRUE);
}

TCheckBox::TCheckBox(TWinContainer* parent, const Args& a) : TControl(parent, a.id) {
  CreateHandle(L"BUTTON", a.caption, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, a.bounds);
}

bool TCheckBox::Checked() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TCheckBox::SetChecked(bool checked) {
  SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::HandleCommand(WORD code) {
  if (code == BN_CLICKED && OnClick) OnClick();
}

TRadioButton::TRadioButton(TWinContainer* parent, const Args& a) : TControl(parent, a.id) {
  CreateHandle(L"BUTTON", a.caption, WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON | (a.first_in_group ? WS_GROUP : 0),
               0, a.bounds);
}

bool TRadioButton::Checked() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TRadioButton::SetChecked(bool checked) {
  SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::HandleCommand(WORD code) {
  if (code == BN_CLICKED && OnClick) OnClick();
}
