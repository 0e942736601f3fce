// A package on discs, for installing it for real: each disc is a folder with
// a copy of the built install.exe, its install.dat (DiskIndex of that disc),
// its game.dat and its loose files, and a drive letter of the Wine prefix
// points at the disc that is "inserted", as a user swaps discs.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/temp_dir.h"
#include "common/windriver_win.h"
#include "settings/install_set.h"

struct FixtureEntry;

namespace testing_support {

// Runs a program of the host (Wine starts those too) with its arguments and
// waits for it; false when it could not be started. Its exit code is not
// passed on: callers check the effect.
bool RunHostCommand(const std::string& program, const std::vector<std::string>& args);
// The host's path of a Windows path of this process ("" when Wine has none).
std::string HostPathOf(const std::string& windows_path);

// Points drive letter (e.g. 'M') of the running Wine prefix at folder (a
// Windows path of this process), or removes the drive when folder is "".
// Works only under Wine; false when that fails.
bool PointDrive(char letter, const std::string& folder);

// Makes \\server\share of the running Wine prefix name folder (a Windows path
// of this process), as Wine maps shares through dosdevices\unc, or removes
// the share when folder is "". Works only under Wine; false when that fails.
bool PointShare(const std::string& server, const std::string& share, const std::string& folder);

// The files below folder (relative names, "\" between folders), sorted.
std::vector<std::string> FilesBelow(const std::string& folder);

// A shortcut file read back through the shell's link object.
struct ShortcutInfo {
  std::wstring path, arguments, work_dir, description, icon_file;
  int icon_index = -1;
  int show_command = -1;
};
bool ReadShortcut(const std::string& lnk_file, ShortcutInfo* info);
// Writes a shortcut to target as the installer does (COM initialised here),
// creating its folder.
bool WriteShortcut(const std::string& lnk_file, const std::string& target);
// The Start menu's Programs folder, with a trailing delimiter.
std::string ProgramsFolder();

class TestMedium {
 public:
  explicit TestMedium(int disc_count = 1, char drive = 'M');
  ~TestMedium();
  TestMedium(const TestMedium&) = delete;
  TestMedium& operator=(const TestMedium&) = delete;

  // The settings every disc carries (DiskIndex is set per disc when written).
  TZefoInstallSet settings;

  // A loose file on disc (0-based); listed in CopyFiles unless listed is false.
  void AddLoose(int disc, const std::string& rel, const std::string& bytes, bool listed = true);
  // An archive entry of the disc's game.dat.
  void AddEntry(int disc, const FixtureEntry& entry);
  // Writes install.dat and game.dat of every disc, inserts disc 0.
  void Write();

  std::string Disc(int disc) const { return discs_.at(static_cast<size_t>(disc)); }  // with a delimiter
  std::string Root() const { return std::string(1, drive_) + ":\\"; }
  bool Insert(int disc) const { return PointDrive(drive_, Disc(disc)); }
  // An install folder below the test's own folder (not created).
  std::string Target() const { return dir_ / "installed\\Game\\"; }
  const std::string& Temp() const { return temp_; }
  const TempDir& Dir() const { return dir_; }

  // Starts the medium's install.exe with raw arguments and a TEMP of its own
  // (its standard output to output_file when one is named), with
  // limited_rights as an administrator without elevation.
  driver::Process Start(const std::string& args = "", const std::string& output_file = "",
                        bool limited_rights = false) const;
  // Starts it as the wizard, with the inserted disc as its folder (logging to
  // log when one is named).
  driver::Process StartWizard(const std::string& log = "") const;

  // The program group folder of the title.
  std::string GroupFolder() const { return ProgramsFolder() + settings.Title + "\\"; }

 private:
  TempDir dir_;
  char drive_;
  std::vector<std::string> discs_;
  std::string temp_;
  std::vector<std::vector<FixtureEntry>> entries_;
};

}  // namespace testing_support
