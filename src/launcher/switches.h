// The switches of install.exe: words that start with "/" and so can never be
// taken for the folder or archive a run is for. Without any switch, a run
// behaves exactly as it always did.
//
//   on a medium         /silent [/dir=FOLDER] [/components=LIST] [/disc=all|this]
//                                [/discs=FOLDER;FOLDER...] [/log=FILE]
//   in an install folder /silent [/deletesave] [/log=FILE]
//                        /verify [/log=FILE]
//   any run              /log=FILE (the wizard's work is logged as well)
//   a wizard run         /elevated=SID: this run is the restart with administrator
//                        rights that the wizard of the account SID asked for; it opens
//                        on the confirmation page with /dir, /components and /disc
//                        /? or /help: the switches and exit codes, nothing else
//
// Names and values are compared without regard to ASCII case; a value may be
// quoted as a whole ("/dir=C:\My Games\X" in quotes).
#pragma once

#include <string>
#include <vector>

#include "base/errors.h"

// A switch that is unknown, lacks its value, repeats, or does not fit the role.
class ESwitchError : public EError { using EError::EError; };

struct TRunSwitches {
  enum class Discs { kDefault, kAll, kThis };

  bool silent = false;
  bool verify = false;
  bool delete_save = false;
  bool help = false;                      // /? or /help
  std::string dir;                        // "" when not given
  bool components_given = false;          // /components= was on the command line
  bool data = false, sound = false, movie = false;
  Discs disc = Discs::kDefault;
  std::vector<std::string> disc_folders;  // /discs=, in the order given
  std::string log;                        // "" for none
  std::string elevated_for;               // /elevated=: the asking account's SID, "" for none
  // Everything that is not a switch, in order: the folder or archive of the run.
  std::vector<std::string> positional;

  // Any switch at all was given (positional words alone are the old command line).
  bool Any() const;
  // The run tells how it ended by its exit code, so a run that hands over
  // to a temporary copy waits for the copy and ends with its code.
  bool WantsExitCode() const { return silent || !log.empty(); }
};

// Splits params (the command line without the program) into switches and
// positional words. Throws ESwitchError naming the offending word.
TRunSwitches ParseSwitches(const std::vector<std::string>& params);

// Checks that the switches fit the role of the run: an install (uninstall
// false) takes no /deletesave and no /verify; an uninstaller takes none of
// the install's switches. /verify excludes /silent. Throws ESwitchError.
void CheckSwitchesForRole(const TRunSwitches& s, bool uninstall);

// Whether a word of params asks for a run without any window: /silent or
// /verify in any case, with a value or not. Such a command line reports even
// its own errors without a window.
bool AsksForNoWindow(const std::vector<std::string>& params);

// The switches as words for another run of this program (the temporary copy
// it hands over to): ParseSwitches of them gives the same switches. Positional
// words and /? are not among them.
std::vector<std::string> SwitchWords(const TRunSwitches& s);

// What /? shows: every switch and every exit code (Shift-JIS, "\r\n" between lines).
std::string SwitchHelpText();
