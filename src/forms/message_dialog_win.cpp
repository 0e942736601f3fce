#include "forms/message_dialog_win.h"

#include <algorithm>
#include <vector>

#include "base/encoding.h"
#include "forms/dpi_scale.h"

#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

namespace {

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kGap = 12;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;

struct ButtonSpec {
  unsigned flag;
  const wchar_t* caption;
  int result;
};

// In the order the buttons stand, left to right.
const ButtonSpec kButtons[] = {
    {mbYes, L"はい(&Y)", mrYes},
    {mbNo, L"いいえ(&N)", mrNo},
    {mbOK, L"OK", mrOk},
    {mbCancel, L"キャンセル", mrCancel},
    {mbAbort, L"中止(&A)", mrAbort},
};

struct DialogState {
  int result = mrNone;
  int default_id = 0;
  int escape_result = mrCancel;
  std::wstring text;
  TMsgDlgType type = mtInformation;
  std::vector<const ButtonSpec*> shown;
  HICON icon = nullptr;  // at the size of the last layout
  int icon_dpi = 0;
  const std::function<int()>* check = nullptr;  // asked at each tick of kCheckTimer
};

constexpr UINT_PTR kCheckTimer = 1;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

LPCWSTR IconOf(TMsgDlgType type);

// Places the icon, the text and the buttons for dpi (the constants above are
// design pixels) and returns the window's outer size; with only_measure the
// windows are left as they are.
SIZE LayOut(HWND dlg, DialogState& state, int dpi, bool only_measure) {
  const auto px = [dpi](int v) { return ScaleToDpi(v, dpi); };
  TApplication& app = TApplication::Instance();
  HFONT font = app.UiFont(dpi);
  // The text, wrapped at half the width of the dialog's screen.
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(dlg, MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT text_rect = {0, 0, (monitor.rcMonitor.right - monitor.rcMonitor.left) / 2, 0};
  {
    HDC dc = GetDC(dlg);
    HGDIOBJ old = SelectObject(dc, font);
    DrawTextW(dc, state.text.c_str(), static_cast<int>(state.text.size()), &text_rect,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(dlg, dc);
  }
  const int text_w = text_rect.right - text_rect.left;
  const int text_h = text_rect.bottom - text_rect.top;
  const int margin = px(kMargin), gap = px(kGap), icon_size = px(kIconSize);
  const int button_w = px(kButtonWidth), button_h = px(kButtonHeight), button_gap = px(kButtonGap);
  const int count = static_cast<int>(state.shown.size());
  const int buttons_w = count * button_w + (count - 1) * button_gap;
  const int content_w = icon_size + gap + text_w;
  const int client_w = std::max(content_w, buttons_w) + 2 * margin;
  const int content_h = std::max(icon_size, text_h);
  const int client_h = margin + content_h + gap + button_h + margin;
  RECT outer = {0, 0, client_w, client_h};
  TApplication::AdjustWindowRectForDpi(&outer, kStyle, kExStyle, dpi);
  if (only_measure) return SIZE{outer.right - outer.left, outer.bottom - outer.top};

  HWND icon = GetDlgItem(dlg, kMessageIconId);
  if (state.icon_dpi != dpi) {
    HICON loaded = static_cast<HICON>(LoadImageW(nullptr, IconOf(state.type), IMAGE_ICON, icon_size, icon_size, 0));
    if (loaded) {
      SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(loaded), 0);
      if (state.icon) DestroyIcon(state.icon);
      state.icon = loaded;
      state.icon_dpi = dpi;
    }
  }
  MoveWindow(icon, margin, margin + (content_h - icon_size) / 2, icon_size, icon_size, TRUE);
  HWND label = GetDlgItem(dlg, kMessageTextId);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  MoveWindow(label, margin + icon_size + gap, margin + (content_h - text_h) / 2, text_w, text_h, TRUE);
  int bx = (client_w - buttons_w) / 2;
  const int by = margin + content_h + gap;
  for (const ButtonSpec* b : state.shown) {
    HWND button = GetDlgItem(dlg, b->result);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    MoveWindow(button, bx, by, button_w, button_h, TRUE);
    bx += button_w + button_gap;
  }
  InvalidateRect(dlg, nullptr, TRUE);
  return SIZE{outer.right - outer.left, outer.bottom - outer.top};
}

LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_COMMAND:
      if (state && HIWORD(wp) == BN_CLICKED) {
        const int id = LOWORD(wp);
        // Escape arrives as IDCANCEL whether or not a Cancel button exists.
        state->result = (id == IDCANCEL && !GetDlgItem(hwnd, IDCANCEL)) ? state->escape_result : id;
        return 0;
      }
      break;
    case DM_GETDEFID:
      if (state) return MAKELRESULT(state->default_id, DC_HASDEFID);
      break;
    case WM_CLOSE:
      if (state) state->result = mrCancel;
      return 0;
    case WM_TIMER:
      // A tick that comes after a button was pressed changes nothing. An
      // exception must not cross the system's dispatch: a failed check is
      // one that found nothing yet.
      if (state && wp == kCheckTimer && state->check && state->result == mrNone) {
        try {
          state->result = (*state->check)();
        } catch (...) {
          state->result = mrNone;
        }
      }
      return 0;
    case WM_GETDPISCALEDSIZE:
      if (state) {
        *reinterpret_cast<SIZE*>(lp) = LayOut(hwnd, *state, LOWORD(wp), true);
        return TRUE;
      }
      break;
    case WM_DPICHANGED:
      if (state) {
        // A screen of another scale: laid out again, at the place suggested.
        const RECT* suggested = reinterpret_cast<const RECT*>(lp);
        const SIZE size = LayOut(hwnd, *state, LOWORD(wp), false);
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

SpotRect ToSpotRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

const wchar_t* Caption(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return L"警告";
    case mtError: return L"エラー";
    case mtInformation: return L"情報";
    case mtConfirmation: return L"確認";
  }
  return L"";
}

LPCWSTR IconOf(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return IDI_WARNING;
    case mtError: return IDI_ERROR;
    case mtInformation: return IDI_INFORMATION;
    case mtConfirmation: return IDI_QUESTION;
  }
  return IDI_INFORMATION;
}

int RunDialog(std::wstring text, TMsgDlgType type, unsigned buttons, unsigned interval_ms,
              const std::function<int()>& check, const RECT* keep_clear) {
  TApplication& app = TApplication::Instance();
  RegisterFormsClass(kMessageDialogClass, DialogProc);
  if (!(buttons & (mbYes | mbNo | mbOK | mbCancel | mbAbort))) buttons = mbOK;

  DialogState state;
  state.text = std::move(text);
  state.type = type;
  for (const ButtonSpec& b : kButtons)
    if (buttons & b.flag) state.shown.push_back(&b);
  state.default_id = state.shown.front()->result;
  state.escape_result = (buttons & mbCancel) ? mrCancel : (buttons & mbNo) ? mrNo : (buttons & mbOK) ? mrOk : mrAbort;

  HWND owner = GetActiveWindow();
  if (!owner) owner = app.Handle();
  // Made first and laid out once it knows its screen's scale.
  HWND dlg = CreateWindowExW(kExStyle, kMessageDialogClass, Caption(type), kStyle, 0, 0, 100, 100, owner, nullptr,
                             app.Module(), nullptr);
  if (!dlg) return mrCancel;
  CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, 0, 0, 0, 0, dlg,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMessageIconId)), app.Module(), nullptr);
  CreateWindowExW(0, L"STATIC", state.text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0, dlg,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMessageTextId)), app.Module(), nullptr);
  for (const ButtonSpec* b : state.shown) {
    const DWORD bstyle =
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | (b == state.shown.front() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    CreateWindowExW(0, L"BUTTON", b->caption, bstyle, 0, 0, 0, 0, dlg,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(b->result)), app.Module(), nullptr);
  }
  const SIZE size = LayOut(dlg, state, TApplication::DpiOf(dlg), false);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(dlg, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& screen = monitor.rcMonitor;
  const DialogSpot spot =
      keep_clear ? PlaceClearOf({size.cx, size.cy}, ToSpotRect(screen), ToSpotRect(*keep_clear))
                 : PlaceClearOf({size.cx, size.cy}, ToSpotRect(screen), std::nullopt);
  SetWindowPos(dlg, nullptr, spot.left, spot.top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowLongPtrW(dlg, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));

  switch (type) {
    case mtWarning: MessageBeep(MB_ICONWARNING); break;
    case mtError: MessageBeep(MB_ICONERROR); break;
    case mtInformation: MessageBeep(MB_ICONINFORMATION); break;
    case mtConfirmation: MessageBeep(MB_ICONQUESTION); break;
  }
  // A timer of the dialog's own: its ticks come through the modal loop, so
  // the check runs on this thread between messages, never inside another.
  if (check && SetTimer(dlg, kCheckTimer, interval_ms, nullptr)) state.check = &check;
  app.RunModal(dlg, [&] { return state.result != mrNone; });
  if (state.check) KillTimer(dlg, kCheckTimer);
  SetWindowLongPtrW(dlg, GWLP_USERDATA, 0);
  DestroyWindow(dlg);
  if (state.icon) DestroyIcon(state.icon);
  return state.result;
}

}  // namespace

int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons) {
  return RunDialog(enc::Wide(text), type, buttons, 0, nullptr, nullptr);
}

int MessageDlg(const std::u16string& text, TMsgDlgType type, unsigned buttons) {
  return RunDialog(std::wstring(text.begin(), text.end()), type, buttons, 0, nullptr, nullptr);
}

int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons, unsigned interval_ms,
               const std::function<int()>& check, const RECT* keep_clear) {
  return RunDialog(enc::Wide(text), type, buttons, interval_ms, check, keep_clear);
}
