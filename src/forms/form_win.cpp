#include "forms/form_win.h"

#include "forms/application_win.h"
#include "forms/button_win.h"
#include "forms/dpi_scale.h"

#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

namespace {
// Posted to the form to look at the focus once the change that moved it is complete.
constexpr UINT kMsgCheckFocus = WM_APP + 0x71;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
}  // namespace

TForm::TForm(const Args& args)
    : TWinContainer(nullptr, 0), position_(args.position), client_{args.client_width, args.client_height} {
  RegisterFormsClass(kClassName, ContainerProc);
  const SIZE design = WindowSizeAt(kDesignDpi);
  HWND owner = args.owner ? args.owner : TApplication::Instance().Handle();
  CreateHandle(kClassName, args.caption, kStyle, kExStyle, {0, 0, design.cx, design.cy}, owner);
  // Only the window knows its screen: scaled once it exists, before any
  // control is added to it.
  dpi_ = TApplication::DpiOf(hwnd_);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(TApplication::Instance().UiFont(dpi_)), FALSE);
  if (dpi_ != kDesignDpi) SetClientSize(client_.cx, client_.cy);
}

TForm::~TForm() = default;

SIZE TForm::WindowSizeAt(int dpi) const {
  RECT r = {0, 0, ScaleToDpi(client_.cx, dpi), ScaleToDpi(client_.cy, dpi)};
  TApplication::AdjustWindowRectForDpi(&r, kStyle, kExStyle, dpi);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

void TForm::SetClientSize(int width, int height) {
  client_ = {width, height};
  const SIZE size = WindowSizeAt(dpi_);
  SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  FitClient();
}

void TForm::FitClient() {
  // The frame the system really draws can differ from what it computes for
  // the DPI (Wine draws every frame at 96 DPI): the client area is measured
  // and the window corrected by the difference.
  RECT client, outer;
  GetClientRect(hwnd_, &client);
  GetWindowRect(hwnd_, &outer);
  const int dx = ScaleToDpi(client_.cx, dpi_) - client.right, dy = ScaleToDpi(client_.cy, dpi_) - client.bottom;
  if (dx != 0 || dy != 0)
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.right - outer.left + dx, outer.bottom - outer.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(hwnd_, &outer);
  bounds_ = {outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top};
}

void TForm::DpiChanged(int dpi, const RECT& suggested) {
  if (dpi <= 0) return;
  dpi_ = dpi;
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(TApplication::Instance().UiFont(dpi_)), FALSE);
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  FitClient();
  ApplyDpi();
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

void TForm::FocusOn(TControl* control) {
  saved_focus_ = control->Handle();
  control->SetFocus();
  DrawDefaultButton();
}

void TForm::SetDefaultButton(TButton* button) {
  default_button_ = button;
  DrawDefaultButton();
}

bool TForm::FocusUsable(HWND focus) const {
  if (!focus || focus == hwnd_ || !IsChild(hwnd_, focus)) return false;
  if (!IsWindowVisible(focus) || !IsWindowEnabled(focus)) return false;
  // A notebook or a page holding the focus takes no keys a person can see.
  return dynamic_cast<TWinContainer*>(TControl::FromHandle(focus)) == nullptr;
}

void TForm::FocusFirst() {
  if (default_button_ && default_button_->Visible() && default_button_->Enabled()) {
    default_button_->SetFocus();
  } else if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) {
    // With no Tab stop at all the system answers some other child (a label of
    // the background window): the focus then stays where it is.
    if (FocusUsable(first) && (GetWindowLongW(first, GWL_STYLE) & WS_TABSTOP)) ::SetFocus(first);
  }
}

void TForm::RestoreFocus() {
  if (FocusUsable(saved_focus_)) ::SetFocus(saved_focus_);
  else FocusFirst();
  DrawDefaultButton();
}

void TForm::FocusMayHaveMoved() {
  // The button that lost the focus tells before the system has moved it:
  // the look waits until the move is done.
  if (focus_check_posted_ || !hwnd_) return;
  focus_check_posted_ = PostMessageW(hwnd_, kMsgCheckFocus, 0, 0) != FALSE;
}

void TForm::CheckFocus() {
  focus_check_posted_ = false;
  // Only the active window holds the focus; another window's question keeps it meanwhile.
  if (GetActiveWindow() == hwnd_ && !FocusUsable(GetFocus())) FocusFirst();
  DrawDefaultButton();
}

void TForm::DrawDefaultButton() {
  TButton* focused = dynamic_cast<TButton*>(TControl::FromHandle(GetFocus()));
  if (focused && focused->Parent() != this) focused = nullptr;
  TButton* drawn = focused;
  if (!drawn && default_button_ && default_button_->Visible() && default_button_->Enabled()) drawn = default_button_;
  for (const auto& c : controls_)
    if (auto* b = dynamic_cast<TButton*>(c.get())) b->DrawAsDefault(b == drawn);
}

LRESULT TForm::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETDPISCALEDSIZE: {
      // The size at the new scale is the design client size scaled, not the
      // window scaled as a whole: the suggested rectangle then fits exactly.
      *reinterpret_cast<SIZE*>(lp) = WindowSizeAt(LOWORD(wp));
      return TRUE;
    }
    case WM_DPICHANGED:
      DpiChanged(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_CLOSE:
      // The close box closes a modal run with Cancel, unless a result is
      // already set: an Abort confirmed during long work stays an Abort.
      if (in_modal_ && ModalResult == mrNone) ModalResult = mrCancel;
      else Hide();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        if (FocusUsable(GetFocus())) saved_focus_ = GetFocus();
        return 0;
      }
      // The system would give the focus to the form itself, where no key acts.
      RestoreFocus();
      if (GetFocus() != hwnd_ && IsChild(hwnd_, GetFocus())) return 0;
      break;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_NEXTDLGCTL: {
      // Sent by the dialog manager for the arrow keys (and Tab in dialogs):
      // lp set, wp is the control; otherwise wp asks for the previous one.
      HWND next = nullptr;
      if (LOWORD(lp)) {
        next = reinterpret_cast<HWND>(wp);
      } else {
        HWND focus = GetFocus();
        next = GetNextDlgTabItem(hwnd_, FocusUsable(focus) ? focus : nullptr, wp != 0);
      }
      if (FocusUsable(next)) ::SetFocus(next);
      DrawDefaultButton();
      return 0;
    }
    case kMsgCheckFocus:
      CheckFocus();
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
