// The demo package's game: a window that says it is running, holding the
// running-game lock of the folder it was installed into for as long as it
// is open, as a real game does so that the installer never runs under it.
#include <windows.h>

#include <string>

#include "base/encoding.h"
#include "base/paths.h"
#include "launcher/running_game.h"
#include "os/files_win.h"
#include "os/mutex_win.h"

namespace {

const wchar_t kClass[] = L"ZiDemoGame";

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      HBRUSH sky = CreateSolidBrush(RGB(0x20, 0x30, 0x80));
      FillRect(dc, &r, sky);
      DeleteObject(sky);
      HFONT font = CreateFontW(-28, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"ＭＳ Ｐゴシック");
      HGDIOBJ old = SelectObject(dc, font);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
      DrawTextW(dc, L"デモゲーム\n\nゲームを実行しています", -1, &r, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
      SelectObject(dc, old);
      DeleteObject(font);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  // The lock is named after the folder the game runs from.
  const NamedMutex running = NamedMutex::Create(RunningGameMutexName(ExtractFilePath(ProgramFileName())));
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = kClass;
  RegisterClassExW(&wc);
  RECT r = {0, 0, 480, 300};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND hwnd = CreateWindowExW(0, kClass, L"デモゲーム", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                              r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  ShowWindow(hwnd, show);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
