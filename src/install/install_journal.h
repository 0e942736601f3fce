// The journal of one run of the copy work: what the run creates, written down
// before it is created, so that a run that stops (an Abort, an error, a kill)
// can be undone. What the run created goes; what was there before stays.
//
// The journal is a Shift-JIS text file in the install folder (kJournalFile),
// one record a line:
//
//   zi-journal 1     first line
//   made N           the install folder and the N - 1 folders above it were made by the run
//   folder REL       a folder below the install folder, made by the run
//   file REL         a file the run is about to create
//   kept REL         ... that was there after all: only its temporary files go
//   data             the run starts the data file: game.dat, game.ext, game.001 ... to the first gap
//   group            the program group's folder, made by the run
//   link NAME        one of the installation's own shortcuts in its group
//   value NAME       a value of the product's key ("InstallPath")
//   entry            the installed-programs entry
//
// A journal is file data: read back, every name passes the name check again,
// a shortcut must be one the installation makes, a value one it writes;
// anything else is refused and left alone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/install_set.h"

inline constexpr char kJournalFile[] = "install.~jn";
// A journal larger than this is no journal of ours and is not read.
inline constexpr int64_t kJournalLimit = 64 << 20;

enum class TJournalKind { kMade, kFolder, kFile, kKept, kData, kGroup, kLink, kValue, kEntry };

struct TJournalRecord {
  TJournalKind kind;
  std::string name;  // kMade: the count; kData, kGroup, kEntry: empty
};

// The line a record is written as (with CR LF).
std::string JournalLine(const TJournalRecord& record);
// The first line of every journal.
std::string JournalHeader();

struct TJournal {
  bool valid = false;                   // it starts with the header: a journal of ours
  std::vector<TJournalRecord> records;  // the accepted ones, in order
  std::vector<std::string> refused;     // the lines refused, for the log
};

// Reads a journal's bytes (at most kJournalLimit are looked at); the records
// are checked against settings (its Title names the shortcuts). A text
// without the header yields no records and one refusal.
TJournal ParseJournal(std::string_view bytes, const TZefoInstallSet& settings);

// The names of the shortcuts CreateShortcuts makes for settings, without ".lnk".
std::vector<std::string> OwnShortcutNames(const TZefoInstallSet& settings);

// The folders made above and with the install folder that may be removed
// (each only when empty): install_folder itself first, then up to made - 1
// parents, stopping at the first one the uninstaller's folder rule refuses
// (a drive root, the Windows folder, Program Files, the profile ...).
std::vector<std::string> RemovableMadeFolders(std::string_view install_folder, int made,
                                              std::string_view windows_folder,
                                              const std::vector<std::string>& kept_folders);

// The name of the value of the product's key that tells how many folders
// the first install made: the install folder and those above it.
inline constexpr char kMadeFoldersValue[] = "MadeFolders";

// The folders above install_folder that the uninstaller may remove, each
// only when empty, from the value kMadeFoldersValue as stored (registry data:
// anything but a count of 1 to 32 yields none), nearest first; never one the
// folder rule refuses, nor any above it.
std::vector<std::string> MadeParents(std::string_view install_folder, std::string_view made_value,
                                     std::string_view windows_folder, const std::vector<std::string>& kept_folders);

// What undoing a journal removes, in the order it is done.
struct TRollbackPlan {
  std::vector<std::string> links;     // shortcut names in the group (".lnk" added by the caller)
  bool group = false;                 // the group's folder, when it is empty
  bool entry = false;                 // the installed-programs entry, when it names the install folder
  std::vector<std::string> values;    // values of the product's key
  std::vector<std::string> files;     // below the install folder, last created first
  bool data_volumes = false;          // game.001 and up, to the first gap (game.dat and game.ext are in files)
  std::vector<std::string> folders;   // below the install folder, deepest first, each when empty
  std::vector<std::string> made;      // the install folder and the parents it made (full paths), each when empty
};

TRollbackPlan PlanRollback(const TJournal& journal, std::string_view install_folder, std::string_view windows_folder,
                           const std::vector<std::string>& kept_folders);
