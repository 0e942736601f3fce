// TForm: a top-level window with a dialog border, shown modally (ShowModal,
// ended by setting ModalResult, subject to CloseQuery) or without being modal
// (Show). The client area is set in design pixels and scaled to the DPI of
// the window's screen; the window is centred on the screen or on its owner
// when it is shown. When the window moves to a screen of another scale
// (WM_DPICHANGED) its controls and fonts are scaled again and it takes the
// rectangle the system suggests.
#pragma once

#include "forms/application_win.h"
#include "forms/control_win.h"

class TButton;

class TForm : public TWinContainer {
 public:
  enum class Position { kDesigned, kScreenCenter, kOwnerCenter };

  struct Args {
    std::string caption;
    int client_width = 0;
    int client_height = 0;
    Position position = Position::kScreenCenter;
    HWND owner = nullptr;  // nullptr: the application window
  };

  explicit TForm(const Args& args);
  ~TForm() override;

  int ShowModal();
  void Show();
  void Hide();
  bool Showing() const { return hwnd_ && IsWindowVisible(hwnd_); }

  int ModalResult = 0;
  // Asked before a modal run ends; false keeps the window open (ModalResult
  // is then reset to 0).
  virtual bool CloseQuery() { return true; }

  // In design pixels.
  void SetClientSize(int width, int height);
  // The button that Enter presses while the focus is on no push button, and
  // that takes the focus when the window opens. A push button with the focus
  // is the one Enter presses, and the only one drawn as the default.
  void SetDefaultButton(TButton* button);
  // The button that Escape presses (none by default): nothing happens while
  // it is hidden or disabled.
  void SetCancelButton(TButton* button) { cancel_button_ = button; }
  void FocusMayHaveMoved() override;
  // Gives control the focus, and keeps it there when the window is
  // activated again (after a message dialog).
  void FocusOn(TControl* control);
  // Brings the window to the foreground.
  void BringToFront();

  static constexpr const wchar_t* kClassName = L"ZiForm";

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  void PlaceOnScreen();
  // The window's outer size for the design client size at dpi.
  SIZE WindowSizeAt(int dpi) const;
  void DpiChanged(int dpi, const RECT& suggested);
  // Sizes the window so that its client area is the design size at its DPI.
  void FitClient();
  // Keyboard focus, as dialogs keep it: a control that can take keys holds it
  // whenever the window is active, and is given it back on reactivation.
  bool FocusUsable(HWND focus) const;
  void FocusFirst();
  void RestoreFocus();
  void CheckFocus();
  void DrawDefaultButton();

  Position position_;
  TButton* default_button_ = nullptr;
  TButton* cancel_button_ = nullptr;
  bool in_modal_ = false;
  HWND saved_focus_ = nullptr;
  bool focus_check_posted_ = false;
  SIZE client_ = {0, 0};  // design pixels
};
