// The read-me in the program's own window: the text converted from Shift-JIS,
// read-only, scrolling, closed with 閉じる or Escape. Shown where the shell's
// editor would show the Shift-JIS text garbled (install/readme_rules.h).
#pragma once

#include <string>

#include "forms/button_win.h"
#include "forms/form_win.h"
#include "forms/memo_win.h"

// Control identifiers, for whoever works the window from outside.
enum ReadmeControlId : int {
  kIdReadmeText = 301,
  kIdReadmeClose,
};

class TReadmeForm : public TForm {
 public:
  // title: the window's caption; text: what it shows.
  TReadmeForm(HWND owner, const std::string& title, const std::u16string& text);

  TMemo* Text;
  TButton* btnClose;
};

// Opens file (a full path) as the system allows: through the shell in folder,
// or, for a text file on a system whose code page is not 932, in the
// program's own window, modal over owner. A file that window cannot show is
// said in a warning.
void OpenReadme(HWND owner, const std::string& file, const std::string& folder);
