#include "forms/progress_bar_win.h"

#include <commctrl.h>

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
