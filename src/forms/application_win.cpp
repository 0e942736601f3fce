#include "forms/application_win.h"

#include <vector>

#include "base/encoding.h"
#include "forms/message_dialog_win.h"

namespace {

const wchar_t kAppClass[] = L"ZiApplication";

LRESULT CALLBACK AppWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

void RegisterFormsClass(const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
}

TApplication& TApplication::Instance() {
  static TApplication app;
  return app;
}

HWND TApplication::Handle() {
  if (!handle_) {
    RegisterFormsClass(kAppClass, AppWindowProc);
    // A hidden top-level window: it owns the program's windows and names the
    // program in the task bar.
    handle_ = CreateWindowExW(0, kAppClass, enc::Wide(title_).c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0,
                              0, nullptr, nullptr, Module(), nullptr);
  }
  return handle_;
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  if (handle_) SetWindowTextW(handle_, enc::Wide(title).c_str());
}

HFONT TApplication::UiFont() {
  if (!font_)
    font_ = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
  return font_;
}

bool TApplication::DispatchOne(const MSG& msg) {
  // Dialog keys go to the active top-level window of the program.
  HWND active = GetActiveWindow();
  if (active && IsDialogMessageW(active, const_cast<MSG*>(&msg))) return true;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    DispatchOne(msg);
  }
}

namespace {

BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM lp) {
  auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
  if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) list->push_back(hwnd);
  return TRUE;
}

}  // namespace

void TApplication::RunModal(HWND window, const std::function<bool()>& done) {
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  for (HWND w : disabled)
    if (w != window) EnableWindow(w, FALSE);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  HWND focus = GetFocus();
  if (!focus || (focus != window && !IsChild(window, focus))) {
    // The first control that takes the Tab key, as dialogs do.
    if (HWND first = GetNextDlgTabItem(window, nullptr, FALSE)) SetFocus(first);
  }
  MSG msg;
  while (!done()) {
    const BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0) {  // WM_QUIT: hand it on to the outer loop
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (r < 0) break;
    if (!IsDialogMessageW(window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // Enable the others before hiding, so that activation returns to the owner.
  for (HWND w : disabled)
    if (w != window && IsWindow(w)) EnableWindow(w, TRUE);
  ShowWindow(window, SW_HIDE);
}

void TApplication::ShowException(const std::exception& e) {
  MessageDlg(e.what(), mtError, mbOK);
}
