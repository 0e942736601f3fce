// Whether an install folder can be used, as one rule for the wizard's folder
// page and for a run without windows: the folder text must be a fully
// qualified folder below a drive or a share, one the uninstaller would empty
// again, an add-on's must hold the installation of its title, and the
// folder's volume should have room for what the components need. The callers
// gather the facts from the system and show or log the verdict's text.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct TDestinationFacts {
  std::string folder_text;      // as typed, or as /dir= gives it
  bool system_install = false;  // TInstallKind::kSystem: folder_text is the Windows folder, not judged as a folder
  bool add_on = false;
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
};

enum class TDestinationVerdict {
  kUsable,          // go on
  kNotQualified,    // not a fully qualified folder below a drive or a share (or a root)
  kRefusedFolder,   // the uninstaller would refuse to empty it
  kNoInstallation,  // an add-on's folder without the installation of its title
  kTooLittleSpace,  // the volume has less free than needed: the wizard asks, a run without windows stops
};

struct TDestinationResult {
  TDestinationVerdict verdict = TDestinationVerdict::kUsable;
  std::string target;       // the folder in normal form with a trailing delimiter ("" when not qualified)
  std::string root;         // the volume asked for its free space
  int64_t need_mb = 0;      // whole MiB needed
  std::optional<int64_t> free_mb;  // whole MiB free; nothing: unknown, not judged
  std::string text;         // what the wizard shows (a warning, or for kTooLittleSpace its question)
  std::string log_text;     // what a run without windows logs, naming the folder and the figures
  // The base game installed again over an installation with add-ons: their
  // data and names are dropped. Said before the work starts (an information
  // for the wizard, a log line otherwise); empty when there is nothing to say.
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

// The checks in order: qualified, removable (not for a system install),
// the add-on's installation, the free space. The first that fails decides.
TDestinationResult JudgeDestination(const TDestinationFacts& facts);
