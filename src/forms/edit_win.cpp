#include "forms/edit_win.h"

TEdit::TEdit(TWinContainer* parent, const Args& a) : TControl(parent, a.id) {
  CreateHandle(L"EDIT", a.text, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, a.bounds);
}

std::u16string TEdit::WideText() const {
  const int n = hwnd_ ? GetWindowTextLengthW(hwnd_) : 0;
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const int got = n > 0 ? GetWindowTextW(hwnd_, text.data(), n + 1) : 0;
  return std::u16string(text.begin(), text.begin() + got);
}

void TEdit::HandleCommand(WORD code) {
  if (code == EN_CHANGE && OnChange) OnChange();
}
