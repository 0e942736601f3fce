// The windows start-up shows: the launcher (modal) and the wizard inside the
// background window. Start-up reaches each through the one function below.
#pragma once

#include "wizard/wizard_context.h"

struct LauncherResult {
  bool ok = false;          // closed with OK
  int launcher_choice = 0;  // the Tag of the button that closed it: 0 game start, 1 install
};

// Shows the launcher window modally and returns how it was closed.
LauncherResult ShowLauncherWindow();

// Shows the background window, runs the wizard modally inside it, and frees both.
// Returns the wizard's modal result: mrOk when it ended on its last page (or
// closed after a warning), mrAbort or mrCancel when the person left it.
int RunWizard(const TWizardContext& context);
