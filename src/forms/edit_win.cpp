#include "forms/edit_win.h"

#include <commctrl.h>

TEdit::TEdit(TWinContainer* parent, const Args& a) : TControl(parent, a.id) {
  CreateHandle(L"EDIT", a.text, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, a.bounds);
}

void TEdit::HandleCommand(WORD code) {
  if (code == EN_CHANGE && OnChange) OnChange();
}

TProgressBar::TProgressBar(TWinContainer* parent, const Args& a) : TControl(parent, a.id) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  CreateHandle(PROGRESS_CLASSW, "", WS_VISIBLE, 0, a.bounds);
  SendMessageW(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(a.min), static_cast<LPARAM>(a.max));
}

void TProgressBar::SetMax(int max) {
  const int min = static_cast<int>(SendMessageW(hwnd_, PBM_GETRANGE, TRUE, 0));
  SendMessageW(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(min), static_cast<LPARAM>(max));
}

void TProgressBar::SetPosition(int position) { SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position), 0); }

int TProgressBar::Max() const { return static_cast<int>(SendMessageW(hwnd_, PBM_GETRANGE, FALSE, 0)); }

int TProgressBar::Position() const { return static_cast<int>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0)); }

TNotebook::TNotebook(TWinContainer* parent, const ControlBounds& bounds, int page_count) : TWinContainer(parent, 0) {
  CreateHandle(kContainerClass, "", WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, bounds);
  for (int i = 0; i < page_count; ++i) pages_.push_back(Add<TPanel>(ControlBounds{0, 0, bounds.width, bounds.height}));
}

void TNotebook::SetPageIndex(int index) {
  if (index < 0 || index >= PageCount() || index == page_index_) return;
  // Show the new page before hiding the old one, so the focus can move onto it.
  pages_[static_cast<size_t>(index)]->SetVisible(true);
  if (page_index_ >= 0) pages_[static_cast<size_t>(page_index_)]->SetVisible(false);
  page_index_ = index;
}
