// When a run asks for administrator rights: the install folder (or, for an
// uninstaller, the installation's folder) must be written, and this process
// was refused. The program runs as invoker, so the launcher and the game
// never run elevated; only the wizard's work may, and only when the folder
// needs it. An elevated run is a new process started with the same choices,
// so the person continues where they were.
#pragma once

#include <string>

// What a trial write in the folder (or its nearest existing parent) gave.
enum class TFolderAccess {
  kWritable,
  kDenied,   // access denied or a privilege not held: rights are missing
  kUnknown,  // anything else (a missing drive, a full disk): the work reports it
};

// The access a trial write's system error code (0: it succeeded) shows.
TFolderAccess FolderAccessOf(unsigned long trial_error);

struct TElevationFacts {
  TFolderAccess access = TFolderAccess::kUnknown;
  bool elevated = false;    // the process token is elevated
  bool restarted = false;   // this run is already the elevated restart of another
  bool unattended = false;  // no window: nobody to ask
  // A share or a network drive: its server decides, and an elevated run may
  // not even see a drive mapped by the person's own logon.
  bool network = false;
};

enum class TElevationStep {
  kGoOn,    // work here; a failure is reported as the work's own
  kAsk,     // ask the person whether to continue as administrator
  kRefuse,  // an unattended run ends, saying rights are needed
};

// A restart never asks again: where elevation gave no more rights (elevation
// turned off, or a system that does not elevate), asking once more would only
// start the same run again and again.
TElevationStep ElevationStep(const TElevationFacts& facts);

// The question of the folder page (install) and of the uninstall page.
std::string ElevationQuestion(const std::string& folder, bool uninstall);
// The log line of an unattended run that stops for lack of rights.
std::string ElevationRefusal(const std::string& folder, bool uninstall);
// Said before the work of an elevated run whose account is not the one that
// asked: shortcuts and records are the account's own.
std::string OtherAccountWarning(const std::string& account, bool uninstall);

// Whether text is a security identifier in its string form ("S-1-5-21-...").
bool IsSidText(const std::string& text);

// The log line for a trial folder that could not be removed again.
std::string TrialLeftText(const std::string& trial_folder, const std::string& reason, bool removal_scheduled);

// The name of the trial folder: unlikely to exist, and recognisable if a
// failed removal ever leaves it behind.
std::string TrialFolderName(unsigned long process_id, unsigned long tick);
