// What an uninstallation may remove, decided without the system: from the
// settings of the installation and a snapshot of what the system reports
// (the file system's own names, links, the program group's shortcuts and
// their targets, the registry values), the list of exact actions. Every rule
// of what may be touched lives here; the Win32 side only gathers the facts
// and carries the actions out, checking each result.
//
// Names of the file system are compared in UTF-16 as the file system compares
// them (SameFileName), never through code page 932.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/install_set.h"

// What the system reports of one name below the install folder.
struct TFileFacts {
  bool exists = false;
  bool folder = false;        // a real folder (not a link)
  bool link_on_way = false;   // a folder between the install folder and the name is a link
  std::u16string final_path;  // the file system's full name, links resolved; empty when it cannot be named
  uint32_t open_error = 0;    // the system's error when it exists but could not be examined
};

// One entry of the program group's folder.
struct TGroupItem {
  std::u16string name;
  bool folder = false;
  std::u16string target;  // a shortcut's target (its final name when it exists); empty for anything else
};

struct TUninstallSnapshot {
  std::u16string install_final;  // the install folder as the file system names it; empty: it cannot be opened
  bool install_is_link = false;
  std::u16string windows_folder;
  std::vector<std::u16string> kept_folders;  // Program Files, the profile, documents ...
  std::map<std::string, TFileFacts> files;   // by the name as recorded (UninstallCandidates)

  std::u16string programs_folder;            // the Start menu's Programs folder
  std::vector<std::u16string> shell_folders; // folders of the shell's own (StartUp, Administrative Tools ...)
  bool group_exists = false;
  bool group_is_link = false;
  std::u16string group_final;
  std::vector<TGroupItem> group_items;

  std::optional<std::string> install_path;   // the value "InstallPath", as stored
  std::u16string install_path_final;         // the folder it names, as the file system names it, when it exists
  bool cd_drive = false;                     // the value "CDDrive" is there
  std::optional<std::string> made_folders;   // the value "MadeFolders", as stored
  std::optional<std::string> entry_location; // "InstallLocation" of the installed-programs entry

  // The folder the shell's Program Manager service would act on for the
  // group's DeleteGroup command (GroupTheShellReads), as the file system
  // names it; empty when there is none.
  std::u16string shell_group_final;
  // The images of the processes that run (this one among them), as the file
  // system names them: the system keeps them while they run.
  std::vector<std::u16string> running_images;
};

enum class TFileVerdict {
  kDelete,       // exactly this file of the installation
  kMissing,      // nothing there
  kRefusedName,  // the recorded name leads out of the folder or is no file name
  kThroughLink,  // reached through a linked folder
  kElsewhere,    // the file system names it otherwise: a link at the end, or not inside the folder
  kFolder,       // a real folder: it goes when it is empty
  kUnreadable,   // there, but the system would not let it be examined (open_error says why)
  kRunning,      // the image of a running process: moved out of the folder, deleted at restart
  kKeep,         // the uninstaller, kept because its settings file stays
};

struct TPlannedFile {
  std::string name;               // as recorded
  TFileVerdict verdict = TFileVerdict::kMissing;
  std::u16string expected_final;  // kDelete: the name the file system must give the opened file
  uint32_t error = 0;             // kUnreadable
  bool record = false;            // "install.dat" or the uninstaller: removed last, only when nothing else is left
};

// The steps of an uninstallation, in the order they are carried out. A stop
// after any of them leaves what a second run finishes: the uninstaller and
// its settings file stay until the registry records and the entry that name
// them are gone, and they go last together, once both are known to be free.
enum class TUninstallStep {
  kGroup,         // the program group, or this installation's shortcuts in it
  kFiles,         // every planned file but the records, in list order
  kClaimRecords,  // the settings file and the uninstaller are opened for deletion: free, or both stay
  kRegistry,      // the product's key, or its values
  kEntry,         // the installed-programs entry
  kRecords,       // install.dat, then install.exe (a running one moved out of the folder)
  kFolders,       // the emptied folders, depth first, the install folder last
};

struct TGroupPlan {
  enum class TMode {
    kNone,       // nothing to do (no group, or none of its shortcuts is this installation's)
    kRefused,    // the title names no group this installation can own
    kOwnLinks,   // only this installation's shortcuts go; the folder stays
    kWholeGroup, // the group holds nothing else: the shell is asked to delete it, then it is confirmed
  };
  TMode mode = TMode::kNone;
  std::string why;                        // kNone, kRefused, kOwnLinks: a line for the log
  std::u16string folder;                  // the group's folder
  std::vector<std::u16string> own_links;  // full names of this installation's shortcuts in it
  std::string command;                    // kWholeGroup: the command the shell is sent
  bool remove_folder = false;             // kOwnLinks of a group that holds nothing else: its folder goes when empty
};

struct TRegistryPlan {
  std::string key_path;             // below HKEY_CURRENT_USER\Software; empty: nothing at all
  bool delete_key = false;          // the whole key, then its parents that are left empty
  std::vector<std::string> values;  // otherwise these values, then the key when it is left empty
  std::string why;                  // when nothing or only values are removed
};

struct TUninstallPlan {
  bool refused = false;  // the install folder is not one to delete in: nothing is done
  std::vector<TUninstallStep> steps;
  std::vector<TPlannedFile> files;  // the records (install.dat, then install.exe) last
  TGroupPlan group;
  TRegistryPlan registry;
  bool delete_entry = false;  // the installed-programs entry names this folder
  std::string entry_why;
  // The folders above the install folder that its install made, nearest
  // first: each goes once the install folder is gone, only when empty.
  std::vector<std::string> parents;

  // One line per action or refusal, for a log.
  std::vector<std::string> Describe() const;
};

// The names the uninstallation looks at below the install folder, in order:
// the recorded ones that pass the name check, then "save.dat" when asked and
// "game.ini", and the records "install.dat" and "install.exe" when they are
// not listed. Only these are ever examined or touched.
std::vector<std::string> UninstallCandidates(const TZefoInstallSet& settings, bool delete_save_data);

// True when title can be a program group of the installation's own: the
// settings' rule for a title (IsPlainFolderName), the one install.exe
// refuses a package by. A title that is only IsSingleFolderName (made before
// the rule) still names its group's folder: its own shortcuts are removed
// one by one, never by a group command.
bool IsOwnGroupName(const std::string& title);

// The plan. install_folder is the folder the uninstaller was given (any form;
// the snapshot's final name is what counts).
TUninstallPlan PlanUninstall(const TZefoInstallSet& settings, const std::string& install_folder,
                             bool delete_save_data, const TUninstallSnapshot& snapshot);
