// The windows start-up shows: the launcher (modal) and the wizard inside the
// background window. Start-up reaches each through the one function below.
#pragma once

#include "install/wizard_context.h"

struct LauncherResult {
  bool ok = false;          // closed with OK
  int launcher_choice = 0;  // the Tag of the button that closed it: 0 game start, 1 install
};

// Shows the launcher window of context (its settings and archive) modally and
// returns how it was closed.
LauncherResult ShowLauncherWindow(const TWizardContext& context);

struct WizardResult {
  // mrOk when it ended on its last page (or closed after a warning), mrAbort
  // or mrCancel when the person left it.
  int modal_result = 0;
  bool work_failed = false;  // its work stopped with an error or such a warning
  bool verify_failed = false;  // the data file it wrote did not verify
  bool handed_to_elevated = false;  // a run with administrator rights continues it
};

// Shows the background window, runs the wizard modally inside it, and frees both.
WizardResult RunWizard(const TWizardContext& context);
