// The wizard of a running install.exe, worked from outside: its controls by
// their identifiers, its captions, its message dialogs; and the walk from its
// components page to its confirmation page.
#pragma once

#include <windows.h>

#include <string>

#include "common/windriver_win.h"
#include "forms/form_win.h"
#include "wizard/insttype_win.h"

namespace testing_support {

class Wizard {
 public:
  explicit Wizard(DWORD pid)
      : pid_(pid), form_(driver::WaitForWindowWithChild(pid_, TForm::kClassName, kIdBtnNext, driver::kTimeout)) {}
  explicit Wizard(const driver::Process& p) : Wizard(p.Id()) {}
  bool Found() const { return form_ != nullptr; }
  HWND Form() const { return form_; }
  DWORD Pid() const { return pid_; }
  // The background window the wizard runs in.
  HWND Background() const { return driver::OtherTopWindow(pid_, TForm::kClassName, form_); }
  HWND Control(int id) const { return driver::ChildById(form_, id); }
  std::wstring Caption() const { return driver::Text(form_); }
  std::wstring Text(int id) const { return driver::Text(Control(id)); }
  bool Visible(int id) const { return IsWindowVisible(Control(id)) != 0; }
  bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != 0; }
  bool Checked(int id) const { return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  RECT Rect(int id) const { return driver::RectInParent(Control(id)); }
  void Click(int id) const { driver::Click(Control(id)); }
  // A key pressed on the wizard's focused control; false when none has the focus.
  bool PressKey(WORD vk) const { return driver::PressKey(form_, vk); }
  void SetText(int id, const std::wstring& text) const {
    SendMessageW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  // Waits until the window caption reads caption (pages set it on entry).
  bool WaitForCaption(const std::wstring& caption, int timeout_ms = driver::kTimeout) const {
    return driver::WaitUntil([&] { return Caption() == caption; }, timeout_ms);
  }
  // Waits for the control to read text.
  bool WaitForText(int id, const std::wstring& text, int timeout_ms = driver::kTimeout) const {
    return driver::WaitUntil([&] { return Text(id) == text; }, timeout_ms);
  }
  driver::MessageDialogContent Answer(int button, int timeout_ms = driver::kTimeout) const {
    return driver::AnswerMessageDialog(pid_, button, timeout_ms);
  }
  // Waits for the wizard's process to end (true when it is gone already).
  bool WaitExit(int timeout_ms = driver::kTimeout) const;

 private:
  DWORD pid_;
  HWND form_ = nullptr;
};

// The components a walk ticks on the components page ("program" always goes).
struct WizardComponents {
  bool data = false;
  bool sound = false;
  bool movie = false;
};

// From the components page of a one-disc run to the folder page, the
// components ticked as asked.
void WalkToFolderPage(const Wizard& w, WizardComponents components);

// From the components page of a one-disc run to the confirmation page: the
// components ticked as asked, the install folder typed. With
// yes_to_low_space, the question of a nearly full drive on the way is
// answered Yes, however long it takes to come.
void WalkToConfirmPage(const Wizard& w, const std::string& target, WizardComponents components,
                       bool yes_to_low_space = false);

// From the media page of a run from discs to the copy: the install folder
// typed, no component ticked, the confirmation passed.
void StartCopyFromMediaPage(const Wizard& w, const std::string& target);

}  // namespace testing_support
