// The program's own message dialog (the system's message box would show its
// buttons in the system's language): Japanese caption by kind, Japanese button
// texts, centred on the screen, modal.
#pragma once

#include <functional>
#include <string>

#include "forms/application_win.h"
#include "forms/dialog_spot.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

// Buttons (a set); each closes the dialog with its modal result.
enum TMsgDlgButtons : unsigned {
  mbYes = 1,     // "はい(&Y)"    mrYes
  mbNo = 2,      // "いいえ(&N)"  mrNo
  mbOK = 4,      // "OK"          mrOk
  mbCancel = 8,  // "キャンセル"  mrCancel
  mbAbort = 16,  // "中止(&A)"    mrAbort
};

// Window class of the dialog, for whoever looks for it from outside.
constexpr wchar_t kMessageDialogClass[] = L"ZiMessageDialog";
// Control identifiers: the text and the icon; the buttons use their modal result.
constexpr int kMessageTextId = 100;
constexpr int kMessageIconId = 101;

// Shows text (Shift-JIS, lines separated by CR LF) and returns the modal
// result of the button pressed; the close box gives mrCancel, Escape presses
// Cancel, else No, else OK.
int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons);
// The same for a text Shift-JIS cannot hold (a character the person typed).
int MessageDlg(const std::u16string& text, TMsgDlgType type, unsigned buttons);

// The same dialog that also closes by itself: while it stands, check is
// called about every interval_ms on the window's thread, and the first
// modal result it returns other than mrNone closes the dialog with that
// result. check should answer quickly; the dialog does not repaint meanwhile.
// keep_clear: a screen rectangle the dialog leaves uncovered where the
// screen has room (dialog_spot.h); nullptr: centred on the screen.
int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons, unsigned interval_ms,
               const std::function<int()>& check, const RECT* keep_clear = nullptr);
