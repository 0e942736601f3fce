// Administrator rights: what this process's token holds, a trial write that
// tells whether a folder needs more, and a restart through the system's
// elevation prompt.
#pragma once

#include <string>

#include "os/owned_handle_win.h"


// The process token is elevated (an administrator with full rights).
bool ProcessIsElevated();

// The security identifier of the account this process runs as ("S-1-5-...").
std::string CurrentAccountSid();
// "DOMAIN\name" of an account (Shift-JIS), or the identifier itself when the
// system cannot name it.
std::string AccountName(const std::string& sid);

struct TTrialWrite {
  // 0 when the trial folder could be made, else the system's error code
  // (ERROR_PATH_NOT_FOUND when no part of the folder exists).
  unsigned long error = 0;
  // The trial folder when it could not be removed again (a parent that lets
  // folders be made but not removed), with the system's reason (0 when the
  // system said it was removed, yet it is still there), and whether the
  // system was told to remove it at the next restart.
  std::string left_behind;
  unsigned long remove_error = 0;
  bool removal_scheduled = false;
};

// Whether this process can create folder (when missing) and write in it:
// creates and removes a trial folder named trial_name in folder, or in its
// nearest existing parent, and writes nothing else.
TTrialWrite TrialWrite(const std::string& folder, const std::string& trial_name);

// Whether folder lies on a share or a network drive.
bool IsNetworkFolder(const std::string& folder);

// A run of this program started through the system's elevation prompt
// ("runas"). Owns the process handle.
class TElevatedRun {
 public:
  TElevatedRun() = default;

  // Starts program with parameters. False with the system's error code in
  // *error when it did not start; ERROR_CANCELLED (1223) when the person
  // declined the prompt.
  bool Start(const std::string& program, const std::string& parameters, unsigned long* error);
  bool Started() const { return started_; }
  // Waits for the run's end; its exit code, or false when it cannot be had.
  bool Wait(unsigned long* exit_code);

 private:
  OwnedHandle process_;
  bool started_ = false;
};
