// TFormStart: the launcher that greets a user who starts the program from the
// medium: start the game, install, run the DirectX or Windows Media Player
// setup found on the medium, or quit. Shown modally by start-up; it returns
// which of game start and install closed it.
#pragma once

#include "forms/button_win.h"
#include "forms/form_win.h"
#include "forms/paintbox_win.h"
#include "install/wizard_context.h"

// Control identifiers of the launcher's buttons.
enum StartControlId : int {
  kIdBtnStart = 101,
  kIdBtnInstall = 102,
  kIdBtnDirectX = 103,
  kIdBtnWinMedia = 104,
  kIdBtnExit = 105,
};

class TFormStart : public TForm {
 public:
  // context: the run's settings and the package's archive (for its picture).
  explicit TFormStart(const TWizardContext& context);

  // The Tag of the button that closed the window with OK: 0 game start, 1 install.
  int LauncherChoice = 0;

  TDXPaintBox* PaintBox;
  TButton* btnStart;
  TButton* btnInstall;
  TButton* btnDirectX;
  TButton* btnWinMedia;
  TButton* btnExit;

 private:
  void FormCreate();
  void btnStartClick(TButton* sender);
  void btnExitClick();
  void btnDirectXClick();
  void btnWinMediaClick();
  std::string ProgramFolder() const;
  const TZefoInstallSet& Settings() const { return *context_.settings; }

  TWizardContext context_;
};
