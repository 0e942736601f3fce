#include "forms/button_win.h"

TButton::TButton(TWinContainer* parent, const Args& a) : TControl(parent, a.id) {
  Tag = a.tag;
  CreateHandle(L"BUTTON", a.caption, WS_VISIBLE | WS_TABSTOP | (a.is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0,
               a.bounds);
}

void TButton::Click() {
  if (OnClick) OnClick();
}

void TButton::HandleCommand(WORD code) {
  if (code == BN_CLICKED) Click();
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
