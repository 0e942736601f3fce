// Installing the base game again over an installation of its own title (a
// repair): whether the installation's data file (game.dat, its volumes and
// game.ext, often gigabytes holding every add-on's data too) is kept, and
// what the records and the person are told. The install work gathers the
// facts (a check of the installation as /verify makes it) and carries the
// decision out; a kept data file then takes only what is missing or newer.
#pragma once

#include <string>
#include <vector>

#include "install/verify_installation.h"

enum class TInstalledData {
  kNone,     // nothing worth keeping: no data file there, or the run builds none
  kKeep,     // whole and recorded by this title's installation: kept as it is
  kRebuild,  // there, but not whole or not known to be this installation's: built again
};

struct TInstalledDataDecision {
  TInstalledData verdict = TInstalledData::kNone;
  // For kRebuild: the heading page 5 and the log show while the work goes on.
  std::string caption;
  // For kKeep: the add-ons' names the new record keeps after its own
  // ("install.dat"), in their order: names inside the folder that are there.
  std::vector<std::string> add_on_names;
};

// The decision for a run that builds a data file (builds_data: the data
// component chosen) over report (VerifyInstallation of the install folder;
// a default report when none was made), title being the package's Title and
// data_present telling whether the folder holds "game.dat". A data file is
// kept only when the folder's record is this title's, records the data file,
// and every part of it is there and matches its checksums.
TInstalledDataDecision DecideInstalledData(const TInstallationReport& report, const std::string& title,
                                           bool builds_data, bool data_present);

// Whether the notice that installing the base drops the add-ons waits for
// the work's check of the data file (true: the data file may be kept, and
// the add-ons with it) instead of being given before the work.
bool AddOnNoticeWaitsForCheck(const std::vector<std::string>& recorded, bool builds_data);

// The notice for the person (text) and for a log (log_text) that the add-ons
// of the installation in target (names: what they brought) are dropped.
struct TAddOnNotice {
  std::string text;
  std::string log_text;
};
TAddOnNotice AddOnNoticeFor(const std::string& title, const std::string& target, const std::vector<std::string>& names);
