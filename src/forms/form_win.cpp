#include "forms/form_win.h"

#include "forms/application_win.h"
#include "forms/button_win.h"

namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
}  // namespace

TForm::TForm(const Args& args) : TWinContainer(nullptr, 0), position_(args.position) {
  RegisterFormsClass(kClassName, ContainerProc);
  RECT r = {0, 0, args.client_width, args.client_height};
  AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
  HWND owner = args.owner ? args.owner : TApplication::Instance().Handle();
  CreateHandle(kClassName, args.caption, kStyle, kExStyle, {0, 0, r.right - r.left, r.bottom - r.top}, owner);
}

TForm::~TForm() = default;

void TForm::SetClientSize(int width, int height) {
  RECT r = {0, 0, width, height};
  AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
  RECT now;
  GetWindowRect(hwnd_, &now);
  bounds_ = {now.left, now.top, r.right - r.left, r.bottom - r.top};
  SetWindowPos(hwnd_, nullptr, 0, 0, bounds_.width, bounds_.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::PlaceOnScreen() {
  RECT me;
  GetWindowRect(hwnd_, &me);
  const int w = me.right - me.left, h = me.bottom - me.top;
  RECT around = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (position_ == Position::kDesigned) return;
  if (position_ == Position::kOwnerCenter) {
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    if (owner && IsWindowVisible(owner)) GetWindowRect(owner, &around);
  }
  int x = around.left + (around.right - around.left - w) / 2;
  int y = around.top + (around.bottom - around.top - h) / 2;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::Show() {
  PlaceOnScreen();
  ShowWindow(hwnd_, SW_SHOW);
  UpdateWindow(hwnd_);
}

void TForm::Hide() { ShowWindow(hwnd_, SW_HIDE); }

void TForm::BringToFront() {
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(hwnd_);
}

int TForm::ShowModal() {
  PlaceOnScreen();
  ModalResult = 0;
  in_modal_ = true;
  TApplication::Instance().RunModal(hwnd_, [this] {
    if (ModalResult == 0) return false;
    if (CloseQuery()) return true;
    ModalResult = 0;
    return false;
  });
  in_modal_ = false;
  return ModalResult;
}

LRESULT TForm::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      // The close box closes a modal run with Cancel, unless a result is
      // already set: an Abort confirmed during long work stays an Abort.
      if (in_modal_ && ModalResult == mrNone) ModalResult = mrCancel;
      else Hide();
      return 0;
    case DM_GETDEFID:
      if (default_button_ && default_button_->Visible() && default_button_->Enabled())
        return MAKELRESULT(default_button_->Id(), DC_HASDEFID);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == IDCANCEL && lp == 0) {  // Escape
        if (cancel_button_ && cancel_button_->Visible() && cancel_button_->Enabled()) cancel_button_->Click();
        return 0;
      }
      break;
  }
  return TWinContainer::WindowProc(msg, wp, lp);
}
