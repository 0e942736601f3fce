#include "forms/application_win.h"

#include <vector>

#include "base/encoding.h"
#include "forms/dpi_scale.h"
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

HFONT TApplication::UiFont(int dpi) {
  HFONT& font = fonts_[dpi];
  if (!font)
    font = CreateFontW(-ScaleToDpi(12, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       L"ＭＳ Ｐゴシック");
  return font;
}

namespace {

// Functions of Windows 10 1607 and later, looked up once: the program also
// runs on Vista, whose user32 lacks them.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

template <typename Fn>
Fn User32Function(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

int TApplication::SystemDpi() {
  static const int dpi = [] {
    HDC screen = GetDC(nullptr);
    const int d = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return d > 0 ? d : kDesignDpi;
  }();
  return dpi;
}

int TApplication::DpiOf(HWND window) {
  static const auto get_dpi_for_window = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (get_dpi_for_window && window) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

void TApplication::AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD ex_style, int dpi) {
  static const auto adjust = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  if (adjust && adjust(rect, style, FALSE, ex_style, static_cast<UINT>(dpi))) return;
  AdjustWindowRectEx(rect, style, FALSE, ex_style);
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
