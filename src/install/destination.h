// Whether an install folder can be used, as one rule for the wizard's folder
// page, a run without windows and a restart with administrator rights: the
// folder text must be a fully qualified folder below a drive or a share; the
// folder it really is (links followed, short names expanded, as the
// uninstaller sees it) must be one the uninstaller would empty again, must
// not hold another installation, and must leave room in the system's path
// length for every name the package installs; an add-on's must hold the
// installation of its title, and the volume should have room for what the
// components need. The callers gather the facts from the system and show or
// log the verdict's text; what is recorded is the real folder.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What claims a folder as an installation's, other than this title's own.
struct TFolderClaims {
  bool settings_file = false;      // the folder holds "install.dat"
  bool settings_readable = false;  // ... and it could be read
  std::string settings_title;      // ... its Title
  // Keys below HKEY_CURRENT_USER\Software, other than this package's, whose
  // "InstallPath" names the folder.
  std::vector<std::string> install_path_keys;
  // Display names of installed-programs entries, other than this title's,
  // whose install location is the folder.
  std::vector<std::string> entries;
};

// The other installation that owns the folder, named for the person; nothing
// when none does. The folder's own settings file decides when it has one (the
// same title is a repair, whatever keys its add-ons wrote); one that cannot be
// read may be anyone's and is not overwritten either.
std::optional<std::string> OtherInstallationIn(const TFolderClaims& claims, const std::string& title);

// The longest name of names in UTF-16 units, as the system counts a path.
size_t LongestNameUnits(const std::vector<std::string>& names, std::string* longest = nullptr);

struct TDestinationFacts {
  std::string folder_text;      // as typed, or as /dir= gives it
  bool system_install = false;  // TInstallKind::kSystem: folder_text is the Windows folder, not judged as a folder
  bool add_on = false;
  bool builds_data = false;     // the data component is chosen: an installed data file may be kept
  std::string title;            // the package's Title (named in the add-on's refusal)
  int64_t need_bytes = 0;
  // The uninstaller's rule for a folder in normal form (no trailing delimiter).
  std::function<bool(const std::string& folder)> removable;
  // An add-on's target (trailing delimiter) holds an installation of title.
  std::function<bool(const std::string& target)> holds_installation;
  // Bytes free to the caller on the volume whose root is given ("X:\" or
  // "\\server\share\"); nothing when the system does not tell.
  std::function<std::optional<uint64_t>(const std::string& root)> free_bytes;
  // The names recorded by an installation of title in target (trailing
  // delimiter); empty when there is none.
  std::function<std::vector<std::string>(const std::string& target)> recorded_names;
  // The folder (normal form) as the file system names it, links and short
  // names resolved; for a folder not there yet, its nearest existing
  // ancestor's real name with the rest appended. Nothing when a part that is
  // there cannot be examined. Not set: the text is taken as it is.
  std::function<std::optional<std::u16string>(const std::string& folder)> final_folder;
  // What claims the target (trailing delimiter) as another installation's.
  std::function<TFolderClaims(const std::string& target)> claims;
  // Names the package installs, relative to the folder.
  std::vector<std::string> installed_names;
};

enum class TDestinationVerdict {
  kUsable,          // go on
  kNotQualified,    // not a fully qualified folder below a drive or a share (or a root)
  kRefusedFolder,   // the uninstaller would refuse to empty it
  kNoInstallation,  // an add-on's folder without the installation of its title
  kTooLittleSpace,  // the volume has less free than needed: the wizard asks, a run without windows stops
  kOtherInstallation,  // another installation is in the folder: it would be overwritten and lost
  kTooLong,         // a file of the package would lie beyond the system's path length: it could not be started
};

struct TDestinationResult {
  TDestinationVerdict verdict = TDestinationVerdict::kUsable;
  std::string target;       // the real folder in normal form with a trailing delimiter ("" when not qualified)
  std::string root;         // the volume asked for its free space
  int64_t need_mb = 0;      // whole MiB needed
  std::optional<int64_t> free_mb;  // whole MiB free; nothing: unknown, not judged
  std::string text;         // what the wizard shows (a warning, or for kTooLittleSpace its question)
  std::string log_text;     // what a run without windows logs, naming the folder and the figures
  // The base game installed again over an installation with add-ons: their
  // data and names are dropped. Said before the work starts (an information
  // for the wizard, a log line otherwise); empty when there is nothing to say,
  // and when the work says it only if its check of the installed data file
  // finds it cannot be kept (add_on_names are set all the same).
  std::vector<std::string> add_on_names;
  std::string add_on_text;
  std::string add_on_log_text;
};

// The names an installation's record holds that add-ons brought: an add-on
// appends its names to the record after the installation's own, which end
// with the record itself, "install.dat".
std::vector<std::string> AddOnNamesOf(const std::vector<std::string>& recorded);

// The volume root of a folder in normal form: "C:\" for "C:\Games\X",
// "\\server\share\" for "\\server\share\Games"; "" for anything else.
std::string VolumeRootOf(const std::string& folder);

// The refusal of a folder whose name holds character, which code page 932
// cannot hold: the installation could not record it, nor the game find it.
std::u16string UnspellableFolderText(std::u16string_view character);

// The checks in order: qualified, removable (not for a system install),
// the add-on's installation, the free space. The first that fails decides.
TDestinationResult JudgeDestination(const TDestinationFacts& facts);
