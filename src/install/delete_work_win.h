// The deletion work of an uninstallation, apart from any window: it removes
// the program group, the recorded files, "game.ini" (and "save.dat" when
// asked), the emptied folders and the registry records, reporting through a
// TWorkObserver. The wizard's page 8 runs it; a run without windows can too.
//
//   0  snapshot and plan (uninstall_plan.h)   a refused folder: an error -> kClosed
//   1  caption, "removing the shortcuts"      input point: stop -> kAborted
//   2  the program group: the shell is asked, then what went is confirmed
//   3  a pause, back to the foreground
//   4  the current folder leaves the install folder
//   5  "deleting files"                        input point: stop -> kAborted
//   then the plan's steps in its order (TUninstallStep): the files, the claim
//   on the records, the registry, the installed-programs entry, the records,
//   the emptied folders; from here on the work runs to its end
//   -> kFinished, or kIncomplete
//
// Every action is one the plan allowed, and its result is checked. A file the
// system would not delete (in use, access denied) is named with the system's
// reason; the installation then keeps its records: install.dat is written
// again listing what is left, the uninstaller, the registry key and the
// installed-programs entry stay, so that a later run can finish. The same
// holds when install.dat or the uninstaller cannot be claimed for deletion.
// The image of a running program (the uninstaller itself, run in place or
// waiting for its temporary copy) is moved out of the folder and deleted at
// the next restart. Only a complete removal ends with kFinished.
#pragma once

#include <string>
#include <vector>

#include "settings/install_set.h"
#include "install/uninstall_plan.h"
#include "install/work_observer.h"
#include "os/owned_handle_win.h"

struct TDeleteChoices {
  bool delete_save_data = false;  // "save.dat" goes too
};

class TDeleteWork {
 public:
  // install_folder: the first command-line parameter of the uninstaller (any
  // form; it is normalised and checked by Run).
  TDeleteWork(const TZefoInstallSet& settings, std::string install_folder, TDeleteChoices choices,
              TWorkObserver& observer)
      : settings_(settings), install_folder_(std::move(install_folder)), choices_(std::move(choices)), observer_(observer) {}

  // kFinished when everything was removed; kIncomplete when the work ran to
  // its end but something stays (a warning named it); kAborted when the
  // person stopped at one of the two input points; kClosed when the folder
  // was refused (after an error message; nothing was done).
  TWorkOutcome Run();

  // What could not be removed, as named in the warning.
  const std::vector<std::string>& Failures() const { return failures_; }

 private:
  void RemoveGroup(const TGroupPlan& group);
  void RemoveOwnLinks(const TGroupPlan& group);
  void ActOnFile(const TPlannedFile& file);
  void MoveOut(const TPlannedFile& file);
  void ClaimRecords(const TUninstallPlan& plan);
  void DeleteRecords(const TUninstallPlan& plan);
  void KeepRecords();
  void RemoveRegistry(const TRegistryPlan& registry);
  void RemoveEntry(const TUninstallPlan& plan);
  // The folders above the removed install folder that its install made, each when empty.
  void RemoveMadeParents(const std::vector<std::string>& parents);
  void Failed(const std::string& what, const std::string& reason);

  const TZefoInstallSet& settings_;
  std::string install_folder_;
  std::string folder_text_;  // the install folder as given, in normal form, with a trailing delimiter
  std::wstring folder_;
  TDeleteChoices choices_;
  TWorkObserver& observer_;
  std::vector<std::string> remaining_;  // recorded files that stay
  std::vector<std::string> failures_;
  bool records_stay_ = false;          // the records could not be claimed: they all stay
  OwnedHandle settings_claim_, uninstaller_claim_;
};

// The folders an uninstaller never deletes in or above, besides the Windows
// folder: Program Files, the user's profile, desktop and documents, and their
// common counterparts, as this system names them.
std::vector<std::string> KeptFolders();

// Removes folder's sub-folders that hold nothing, depth first, then folder
// itself when it is empty. Each folder is entered, listed and removed through
// a handle whose final name is the one expected (its parent's, then its own
// name), so a folder swapped for a link after it was listed is neither
// entered nor removed, and what a link leads to is never touched; the folder
// holding a link stays. Never goes above folder.
void RemoveEmptyFolders(const std::string& folder);
