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
void RunWizard(const TWizardContext& context);
