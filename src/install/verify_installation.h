// Checking an installation in place: its install.dat, every file it records,
// and every entry of its data file. Portable: install.exe /verify and
// vftool verify share it and word their reports with ReportLines.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TDamagedEntry {
  enum class TWhat { kCrcMismatch, kDataMissing };
  std::string name;  // the entry's name in the data file
  TWhat what = TWhat::kCrcMismatch;
};

struct TInstallationReport {
  enum class TSettings {
    kLoaded,          // install.dat of an installation: everything below was checked
    kMissing,         // no install.dat in the folder
    kNotInstalled,    // an install.dat without the uninstaller's flag (a medium's)
    kDamaged,         // install.dat cannot be read (settings_error says why)
  };
  TSettings settings = TSettings::kMissing;
  std::string settings_error;
  std::string title;                    // the record's Title and names, when it was loaded
  std::vector<std::string> recorded;

  std::vector<std::string> missing;     // recorded names not present as files
  std::vector<std::string> refused;     // recorded names leading out of the folder; never opened
  std::vector<TDamagedEntry> damaged;   // entries of the data file, in directory order
  std::string data_file;                // the recorded data file's name, "" when none is recorded
  std::string data_error;               // why it could not be read, "" when it was (or none)

  int files_present = 0;
  int entries_checked = 0;              // entries with a checksum, superseded ones left out
  int64_t bytes_checked = 0;

  // Loaded, and nothing missing, refused, damaged or unreadable.
  bool Intact() const;
};

// Called while the data file is read: bytes summed so far out of total.
using TVerifyProgress = std::function<void(int64_t done, int64_t total)>;

// Checks the installation in folder (Shift-JIS, with or without a trailing
// delimiter): loads folder\install.dat; unless it is missing, damaged or not
// an installation's, checks that every recorded name (after the core's name
// check: a name leading out of the folder is refused and never touched) is
// an existing file, then, when game.dat is recorded and present, recomputes
// the CRC-32 of every entry's stored bytes as the installer did after
// building it (entries without a checksum and superseded "/" entries left
// out). Never throws for what it finds: a data file that cannot be opened is
// reported in data_error. Reads every byte of the data file once. An
// exception thrown by progress passes through (a stop asked for on the way).
TInstallationReport VerifyInstallation(const std::string& folder, const TVerifyProgress& progress = nullptr);

// The report as lines of text (Shift-JIS), one per problem in the order
// missing, refused, unreadable, damaged, then a summary line starting with
// "verify: ". A report whose settings were not loaded gives that one line.
std::vector<std::string> ReportLines(const TInstallationReport& report);
