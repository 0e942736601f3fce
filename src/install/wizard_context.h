// What start-up hands the windows and the work: the run's settings, the
// package's archive and the folder the run is for. The launcher, the
// background window, the wizard and the work read nothing else of start-up.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "archive/vrfiles.h"
#include "base/run_log.h"
#include "settings/install_set.h"

// What the person chose before the work: handed to a run with
// administrator rights, which opens with them on its last page before the work.
struct TWizardChoices {
  std::string install_folder;  // install: the folder of page 3
  bool data = false, sound = false, movie = false;
  bool all_disks = false;
  bool delete_save = false;  // uninstall: the save data goes too
};

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
  // This run is the restart with administrator rights that the account
  // resumed_for (its security identifier) asked for, with these choices.
  std::optional<TWizardChoices> resumed;
  std::string resumed_for;
  // Starts this program again with administrator rights and the choices.
  // False with the system's error code when it did not start (1223: the
  // person declined). Empty: this run cannot restart itself.
  std::function<bool(const TWizardChoices&, unsigned long* error)> restart_elevated;
};
