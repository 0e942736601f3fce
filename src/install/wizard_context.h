// What start-up hands the windows and the work: the run's settings, the
// package's archive and the folder the run is for. The launcher, the
// background window, the wizard and the work read nothing else of start-up.
#pragma once

#include <string>

#include "archive/vrfiles.h"
#include "base/run_log.h"
#include "settings/install_set.h"

struct TWizardContext {
  // The run's settings. A disc change replaces their content with the next
  // disc's (the object stays the same).
  TZefoInstallSet* settings = nullptr;
  // The package's archive, or null (always in an uninstaller). A disc change
  // reopens it on the next disc's "game.dat".
  TVrFileCollection* archive = nullptr;
  // The medium's folder (or the install folder of an uninstaller), with a
  // trailing delimiter: where install.dat, game.dat and the loose files are,
  // and where the next disc is looked for.
  std::string source_folder;
  // The run's log (/log=), or null: the work then writes every step to it.
  TRunLog* log = nullptr;
};
