// The exit codes of install.exe. A run started by a person ends with 0 as it
// always did; an unattended run or a verification says how it ended.
#pragma once

enum TExitCode : int {
  kExitSuccess = 0,
  kExitFailed = 1,           // an error: a file that could not be read or written, a damaged entry
  kExitBadSwitches = 2,      // an unknown or malformed switch, or one that does not fit the run
  kExitCancelled = 3,        // the run was stopped (in the wizard: Abort, confirmed)
  kExitVerifyFailed = 4,     // the data file did not verify; /verify: something missing or damaged
  kExitNoSpace = 5,          // the install folder's drive has too little free space
  kExitNoDisc = 6,           // the next disc was found neither on the medium's drive, in /discs nor on a disc drive
  kExitBadFolder = 7,        // the install folder cannot be used (not fully qualified, not an installation, refused)
  kExitBusy = 8,             // the game or another run of this package is running
  kExitNoSettings = 9,       // no install.dat where the run looked for it, or one refused before any work
};
