// The copy work of an installation, from the person's "インストール" to the
// records, without any window: it reports and asks through a TWorkObserver,
// so the wizard's copy page and a run without windows share it.
//
//   A  over an installation of the title, its data file checked: kept when
//      whole, otherwise (and when the run builds none) deleted; the output
//      data file opened
//   B  for each chosen disc: disc change (prompt, settings of the new disc),
//      loose files, the disc's archive merged into the data file, separate
//      files taken from the archive
//   C  the data file verified, its volumes recorded
//   D  install.dat, shortcuts and program group, "InstallPath"
//   E  the read-me opened
//
// Every name from the package (loose files, archive entries, GameExe,
// ReadmeFile) is checked before it is joined to the install folder: nothing
// is written outside it. Nothing of the settings reaches the disk unless
// everything before step D succeeded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "install/copy_total.h"
#include "install/disc_lookup.h"
#include "install/install_journal_win.h"
#include "install/medium_files_win.h"
#include "install/wizard_context.h"
#include "install/work_observer.h"

struct TCopyChoices {
  bool all_disks = false;  // every disc of the set, or only the one inserted
  bool data = false;       // scenario and graphics: the discs' archives
  bool sound = false;
  bool movie = false;
  std::string target_dir;  // the install folder, with a trailing delimiter
  // A run without windows opens neither the program group's folder nor the read-me.
  bool open_windows = true;
};

// Why a run that did not finish stopped (TCopyWork::StopReason).
enum class TCopyStop {
  kNone,          // it finished, or it has not run
  kStopped,       // the observer asked to stop (the person aborted)
  kNoDisc,        // the observer gave up on a disc
  kFolderFailed,  // a folder of the installation could not be created
  kVerifyFailed,  // the data file written did not verify
};

// Whether the uninstaller will remove an installation in folder again: false
// for the folders it refuses (the Windows folder, a folder inside or above it,
// Program Files itself, the user's profile, documents ... and the folders
// above them), judged by its own rule. A system install is not judged by it.
bool RemovableInstallFolder(const std::string& folder);

class TFileCopier;

class TVrFile;
class TVrFileCollection;

class TCopyWork {
 public:
  TCopyWork(const TWizardContext& context, const TCopyChoices& choices, TWorkObserver& observer);
  ~TCopyWork();

  // Runs the work. Errors (a file that cannot be read or written, a damaged
  // entry, a name that leads out of the install folder, a disk that is full)
  // are raised as EError with a message for the person; nothing of the
  // settings has been written then. A run that does not finish, for whatever
  // reason, first removes what it created (its journal says what), so the
  // machine is as it was before; a journal left by a run that was killed is
  // undone before anything else.
  TWorkOutcome Run();
  int64_t CopiedBytes() const { return copied_; }
  TCopyStop StopReason() const { return stop_reason_; }

 private:
  TZefoInstallSet& Settings() const { return *context_.settings; }
  // Lets the window answer and remembers an Abort the person confirmed. The
  // callbacks of the archive's merge and check answer with it; they do not
  // unwind through the archive.
  bool StopRequested();
  // The one way the work stops early: records why and unwinds to Run(),
  // which returns the outcome of that reason.
  [[noreturn]] void Halt(TCopyStop reason);
  void ReportBytes();
  TWorkOutcome Work();
  // True when a journal stays that could not be wholly undone.
  bool UndoLeftover();
  void UndoCreated();
  // Decides whether the install folder's data file stays (a repair keeps a
  // whole one: a check, no copy) and deletes it when it does not.
  void PrepareDataFile();
  void DeleteStaleDataFiles();
  void ChangeDisc(int index);
  // Asks for disc index until it is found, and gives its settings.
  TZefoInstallSet WaitForDisc(int index);
  // Where a later disc may be, in the order looked at: the folder the last
  // disc came from, the observer's folders, the CD-ROM and removable drives.
  std::vector<TDiscPlace> DiscPlaces();
  // The loose files of the disc in the source folder that the package names
  // and the components select, in listing order.
  std::vector<TMediumFile> LooseFilesOfDisc();
  // What the disc in will copy: those loose files, the archive's entries the
  // merge takes, its separate files.
  int64_t DiscBytes(const std::vector<TMediumFile>& loose) const;
  void CopyLooseFiles(const std::vector<TMediumFile>& files);
  // disc_follows: another disc is asked for next, and the data file's
  // directory can wait for it.
  void MergeData(bool disc_follows);
  void ExtractSeparateFiles();
  void ExtractEntry(const TVrFile& entry, const std::string& dest);
  void VerifyData();
  void WriteRecords();
  void ShowReadme();
  // target_dir + name, once name has passed the name check.
  std::string Destination(const std::string& name) const;

  TWizardContext context_;
  TCopyChoices choices_;
  TWorkObserver& observer_;
  std::unique_ptr<TVrFileCollection> output_;
  std::unique_ptr<TFileCopier> copier_;
  TInstallJournal journal_;
  int64_t copied_ = 0;
  TCopyTotal total_;  // the progress bar's end
  TCopyStop stop_reason_ = TCopyStop::kNone;
  uint64_t last_poll_ = 0;
  // The installed data file was checked whole and kept; merges of this run,
  // and whether one of them wrote anything.
  bool data_kept_ = false;
  int merges_ = 0;
  bool data_written_ = false;
  int64_t kept_bytes_ = 0;  // the kept data file's size before this run's merges
  // The add-ons' names the record keeps with their data, after its own.
  std::vector<std::string> kept_add_on_names_;
};
