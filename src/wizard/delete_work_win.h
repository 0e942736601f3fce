// The deletion work of an uninstallation, apart from any window: it removes
// the program group, the recorded files, "game.ini" (and "save.dat" when
// asked), the emptied folders and the registry key, reporting through a
// TWorkObserver. The wizard's page 8 runs it; a run without windows can too.
//
//   1  caption, "removing the shortcuts"      input point: stop -> kAborted
//   2  the program group (DDE)                 an information when it fails
//   3  a pause, back to the foreground
//   4  the current folder leaves the install folder
//   5  "deleting files"                        input point: stop -> kAborted
//   6  every recorded name, in list order      from here on the work runs to its end
//   7  save.dat when asked, 8 game.ini
//   9  the emptied folders, depth first
//  10  "removing the registry entries", the key
//  11  a pause                                 -> kFinished
//
// Where the settings file can be damaged or tampered with, the work never
// deletes outside the install folder: names that are not plain relative
// names, or that pass through a linked folder (a reparse point), are skipped;
// a link is removed as a link, never followed; and an install folder that is
// a drive root, a system or user folder is refused before anything is done.
#pragma once

#include <string>
#include <vector>

#include "settings/install_set.h"
#include "wizard/work_observer.h"

struct TDeleteChoices {
  bool delete_save_data = false;  // "save.dat" goes too
};

class TDeleteWork {
 public:
  // install_folder: the first command-line parameter of the uninstaller (any
  // form; it is normalised and checked by Run).
  TDeleteWork(const TZefoInstallSet& settings, std::string install_folder, TDeleteChoices choices,
              TWorkObserver& observer)
      : settings_(settings), install_folder_(std::move(install_folder)), choices_(choices), observer_(observer) {}

  // kFinished when everything was done; kAborted when the person stopped at
  // one of the two input points; kClosed when the folder was refused (after
  // an error message; nothing was deleted).
  TWorkOutcome Run();

 private:
  void DeleteName(const std::string& folder, const std::string& name);

  const TZefoInstallSet& settings_;
  std::string install_folder_;
  std::string install_final_;  // the install folder as the file system names it
  TDeleteChoices choices_;
  TWorkObserver& observer_;
};

// The folders an uninstaller never deletes in or above, besides the Windows
// folder: Program Files, the user's profile, desktop and documents, and their
// common counterparts, as this system names them.
std::vector<std::string> KeptFolders();

// Removes folder's sub-folders that hold nothing, depth first, then folder
// itself when it is empty. Linked folders (reparse points) are neither
// entered nor removed, so what they lead to is never touched and the folder
// holding them stays. Never goes above folder.
void RemoveEmptyFolders(const std::string& folder);
