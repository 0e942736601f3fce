// Keeping the journal of a run of the copy work (install_journal.h) and
// undoing what it names: each record reaches the disk before the thing it
// names is created, so a run killed at any moment leaves a journal that the
// next run can undo.
#pragma once

#include <set>
#include <string>

#include "base/os_file.h"
#include "settings/install_set.h"
#include "install/install_journal.h"
#include "install/work_observer.h"

class TInstallJournal {
 public:
  TInstallJournal() = default;
  TInstallJournal(const TInstallJournal&) = delete;
  TInstallJournal& operator=(const TInstallJournal&) = delete;

  // Makes the install folder target_dir (with a trailing delimiter) with its
  // missing parents and starts the journal in it, noting how many of them
  // were made. A journal cannot exist before its folder does: a kill between
  // the two leaves those folders empty, and nothing else. With go_on, a
  // journal already there (one not wholly undone) is continued. Throws
  // EFCreateError (the folder or the journal cannot be made).
  void Begin(const std::string& target_dir, bool go_on = false);
  bool Started() const { return file_.IsOpen(); }
  // How many folders Begin made: the install folder and those above it.
  int Made() const { return made_; }

  // Notes the folders of full path folder that are missing below the install
  // folder, then makes them; false when they could not be made.
  bool MakeFolders(const std::string& folder);
  // Whether full path folder was made by this run (Begin or MakeFolders):
  // nothing of an earlier installation can be in it.
  bool MadeThisRun(const std::string& folder) const;
  // A file about to be written under rel; Kept(rel) once it is known to
  // have been there already.
  void File(const std::string& rel);
  void Kept(const std::string& rel);
  void Add(TJournalKind kind, const std::string& name = "");
  // The program group's folder and the shortcuts CreateShortcuts is about to
  // make for settings, those not there yet.
  void Shortcuts(const TZefoInstallSet& settings);

  // The run has ended and is recorded: the journal goes.
  void Complete();
  // Closes the journal, leaving it for UndoJournal.
  void Close() { file_.Close(); }

 private:
  // Each record is written through to the system before it returns: a
  // record that cannot be written stops the work (EWriteError) before the
  // thing it names is created.
  void Write(const std::string& line);

  OsFile file_;
  std::string target_;
  int made_ = 0;
  std::set<std::string> made_now_;
};

// The journal's file in target_dir, when there is one.
bool JournalExists(const std::string& target_dir);

// Undoes the journal left in target_dir: reads it back (bounded; every
// record checked again, refused ones logged), then removes exactly what it
// names, each removal logged, a failed one with the system's reason; the
// journal goes last, only when everything it names is gone. Returns whether
// everything went; when not, observer.Warn has named what stays.
bool UndoJournal(const std::string& target_dir, const TZefoInstallSet& settings, TWorkObserver& observer);
