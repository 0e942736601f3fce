#include "forms/memo_win.h"

TMemo::TMemo(TWinContainer* parent, const Args& a) : TControl(parent, a.id) {
  CreateHandle(L"EDIT", "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
               WS_EX_CLIENTEDGE, a.bounds);
  // The default limit (32767 characters) would cut a long document.
  SendMessageW(hwnd_, EM_SETLIMITTEXT, 0, 0);
}

void TMemo::SetWideText(const std::u16string& text) {
  if (hwnd_) SetWindowTextW(hwnd_, reinterpret_cast<const wchar_t*>(text.c_str()));
}
