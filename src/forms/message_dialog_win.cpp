#include "forms/message_dialog_win.h"

#include <algorithm>
#include <vector>

#include "base/encoding.h"

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
};

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
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

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

}  // namespace

int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons) {
  TApplication& app = TApplication::Instance();
  RegisterFormsClass(kMessageDialogClass, DialogProc);
  if (!(buttons & (mbYes | mbNo | mbOK | mbCancel | mbAbort))) buttons = mbOK;

  const std::wstring wtext = enc::Wide(text);
  HFONT font = app.UiFont();

  // Measure the text, wrapped at half the screen's width.
  RECT text_rect = {0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
  {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    DrawTextW(dc, wtext.c_str(), static_cast<int>(wtext.size()), &text_rect,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  const int text_w = text_rect.right - text_rect.left;
  const int text_h = text_rect.bottom - text_rect.top;

  std::vector<const ButtonSpec*> shown;
  for (const ButtonSpec& b : kButtons)
    if (buttons & b.flag) shown.push_back(&b);
  const int buttons_w = static_cast<int>(shown.size()) * kButtonWidth + (static_cast<int>(shown.size()) - 1) * kButtonGap;

  const int content_w = kIconSize + kGap + text_w;
  const int client_w = std::max(content_w, buttons_w) + 2 * kMargin;
  const int content_h = std::max(kIconSize, text_h);
  const int client_h = kMargin + content_h + kGap + kButtonHeight + kMargin;

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT outer = {0, 0, client_w, client_h};
  AdjustWindowRectEx(&outer, style, FALSE, ex_style);
  const int w = outer.right - outer.left, h = outer.bottom - outer.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;

  HWND owner = GetActiveWindow();
  if (!owner) owner = app.Handle();
  HWND dlg = CreateWindowExW(ex_style, kMessageDialogClass, Caption(type), style, x, y, w, h, owner, nullptr,
                             app.Module(), nullptr);
  if (!dlg) return mrCancel;

  DialogState state;
  state.default_id = shown.front()->result;
  state.escape_result = (buttons & mbCancel) ? mrCancel : (buttons & mbNo) ? mrNo : (buttons & mbOK) ? mrOk : mrAbort;
  SetWindowLongPtrW(dlg, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));

  HWND icon = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, kMargin,
                              kMargin + (content_h - kIconSize) / 2, kIconSize, kIconSize, dlg,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMessageIconId)), app.Module(), nullptr);
  SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IconOf(type))), 0);
  HWND label = CreateWindowExW(0, L"STATIC", wtext.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                               kMargin + kIconSize + kGap, kMargin + (content_h - text_h) / 2, text_w, text_h, dlg,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMessageTextId)), app.Module(), nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  int bx = (client_w - buttons_w) / 2;
  const int by = kMargin + content_h + kGap;
  for (const ButtonSpec* b : shown) {
    const DWORD bstyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (b == shown.front() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    HWND button = CreateWindowExW(0, L"BUTTON", b->caption, bstyle, bx, by, kButtonWidth, kButtonHeight, dlg,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(b->result)), app.Module(), nullptr);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    bx += kButtonWidth + kButtonGap;
  }

  switch (type) {
    case mtWarning: MessageBeep(MB_ICONWARNING); break;
    case mtError: MessageBeep(MB_ICONERROR); break;
    case mtInformation: MessageBeep(MB_ICONINFORMATION); break;
    case mtConfirmation: MessageBeep(MB_ICONQUESTION); break;
  }
  app.RunModal(dlg, [&] { return state.result != mrNone; });
  SetWindowLongPtrW(dlg, GWLP_USERDATA, 0);
  DestroyWindow(dlg);
  return state.result;
}
