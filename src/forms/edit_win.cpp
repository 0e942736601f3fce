#include "forms/edit_win.h"

TEdit::TEdit(TWinContainer* parent, const Args& a) : TControl(parent, a.id) {
  CreateHandle(L"EDIT", a.text, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, a.bounds);
}

void TEdit::HandleCommand(WORD code) {
  if (code == EN_CHANGE && OnChange) OnChange();
}
