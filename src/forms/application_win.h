// The program's application object: the hidden owner window that carries the
// application title (the task bar entry), the user-interface font, the pump
// that processes pending input during long work, and modal runs of windows.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <map>
#include <string>

// Modal results, shared by forms and message dialogs.
enum TModalResult : int {
  mrNone = 0,
  mrOk = IDOK,
  mrCancel = IDCANCEL,
  mrAbort = IDABORT,
  mrRetry = IDRETRY,
  mrIgnore = IDIGNORE,
  mrYes = IDYES,
  mrNo = IDNO,
};

class TApplication {
 public:
  static TApplication& Instance();

  void SetTitle(const std::string& title);
  const std::string& Title() const { return title_; }
  HWND Handle();
  HINSTANCE Module() const { return GetModuleHandleW(nullptr); }

  // "ＭＳ Ｐゴシック", Shift-JIS character set, 12 pixels high at 96 DPI and
  // scaled with the DPI; one font per DPI, kept for the program's life.
  HFONT UiFont(int dpi = 96);

  // The DPI of the screen window is shown on: the window's own where the
  // system tells it (Windows 10 1607 and later), else the system's.
  static int DpiOf(HWND window);
  // The system's DPI (the primary screen's at the program's start).
  static int SystemDpi();
  // AdjustWindowRectEx for a window at dpi (the frame of a per-monitor aware
  // window is as thick as its own screen's scale makes it, where the system
  // can say so).
  static void AdjustWindowRectForDpi(RECT* rect, DWORD style, DWORD ex_style, int dpi);

  // Handles every pending message, then returns (long work calls it at fixed points).
  void ProcessMessages();

  // Shows window modally: every other enabled top-level window of the thread is
  // disabled until done() becomes true; then they are enabled again and the
  // window is hidden. Dialog keys (Tab, Enter, Escape, mnemonics) work.
  void RunModal(HWND window, const std::function<bool()>& done);

  // The error box for an exception that reached a handler.
  void ShowException(const std::exception& e);

 private:
  TApplication() = default;
  bool DispatchOne(const MSG& msg);

  std::string title_;
  HWND handle_ = nullptr;
  std::map<int, HFONT> fonts_;
};

// Registers a window class of the form layer once (window procedure, standard
// cursor, button-face background).
void RegisterFormsClass(const wchar_t* name, WNDPROC proc);
