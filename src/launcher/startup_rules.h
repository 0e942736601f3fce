// The decisions of start-up, made from what it found (its own file, its
// command line, install.dat) without asking the system anything: where the
// package is, which role the run plays, where its work starts, what the
// temporary copy is started with. startup_win.cpp gathers the facts and
// carries out what these functions decide.
#pragma once

#include <string>

#include "launcher/switches.h"

// What start-up found out about its files before reading any settings.
struct TPackageFacts {
  std::string program;            // this program's full name
  bool resource_archive = false;  // it carries an archive as its "DUMMY" resource
  bool trailer_archive = false;   // an archive is appended to its file
  bool has_parameter = false;     // the command line names a folder or an archive
  std::string parameter;          // that first positional word
  bool parameter_is_file = false;  // it names an existing file (an archive)
};

// Where the run's settings (install.dat) are read from.
enum class TSettingsPlace {
  kProgramResource,  // the archive carried as this program's resource
  kProgramTrailer,   // the archive appended to this program
  kArchiveFile,      // the archive the parameter names
  kFolder,           // install.dat in the parameter's folder, else in this program's folder
};

struct TPackagePlace {
  TSettingsPlace settings = TSettingsPlace::kFolder;
  // kArchiveFile: the archive; kFolder: the folder of install.dat and
  // game.dat (as given); empty for the program's own archive.
  std::string source_path;
};

TPackagePlace LocatePackage(const TPackageFacts& facts);

// The install.dat of a kFolder place.
std::string SettingsFileIn(const TPackagePlace& place);

// Where the package's archive is opened: this program's resource, or a file.
struct TGameArchivePlace {
  bool resource = false;
  std::string file;  // when not resource
};

// An add-on's archive is this program's own file, wherever its settings were.
TGameArchivePlace LocateGameArchive(const TPackagePlace& place, const std::string& program, bool add_on);

// The folder the work starts from, with a trailing delimiter: where
// install.dat, game.dat and the loose files are and the next disc is looked
// for (the install folder of an uninstaller).
std::string SourceFolder(const TPackageFacts& facts, bool uninstall_mode);

// The installation /verify checks, with a trailing delimiter: the parameter,
// else this program's folder.
std::string VerifyFolder(const TPackageFacts& facts);

// What install.dat says of the run, and how it was started.
struct TRoleFacts {
  bool silent = false;          // /silent
  bool has_parameter = false;   // a folder or an archive on the command line
  bool uninstall_mode = false;  // UninstallMode: the settings of an installation
  bool from_archive = false;    // FromArchive: the package is one archive
  bool add_on = false;          // AddOn
  bool system_install = false;  // InstallKind 2
  // /elevated: the restart with administrator rights of a wizard. It is
  // always the wizard, so neither the launcher nor the game it starts ever
  // runs elevated through this program.
  bool elevated_restart = false;
};

// The role of a run that found its settings (/verify is decided before).
enum class TRunRole {
  kSilentUninstall,        // /silent in an install folder: the deletion work without a window
  kUninstallHandOver,      // the uninstaller in the install folder: hands over to a temporary copy
  kUninstallWizard,        // that copy (the folder as its parameter): the wizard in uninstall mode
  kSilentInstallHandOver,  // /silent on a medium of loose files: hands over to a temporary copy,
                           // so that the medium's drive stays free for the next disc
  kSilentInstall,          // /silent otherwise: the copy work without a window
  kInstallWizard,          // a parameter, an add-on or a system install: the wizard at once
  kLauncher,               // the launcher, then what the person chose there
};

TRunRole ChooseRole(const TRoleFacts& facts);

// What follows the launcher window.
enum class TLauncherFollowUp {
  kNothing,          // closed without a choice: the run ends without hand-over
  kStartGame,        // "ゲームスタート": the installed game is started after the run
  kInstallWizard,    // "インストール" from one archive: the wizard in this run
  kInstallHandOver,  // "インストール" from loose files: a temporary copy runs the wizard
};

// closed_with_ok: a button closed the launcher; launcher_choice: that
// button's tag (0 game start, 1 install).
TLauncherFollowUp AfterLauncher(bool closed_with_ok, int launcher_choice, bool from_archive);

// The tag of the launcher button that Enter presses when the window opens:
// the game once it is installed (the only run that can start it), else the install.
int LauncherDefaultChoice(bool game_installed);

// The installed game's program: GameExe in the install folder.
std::string GameProgram(const std::string& install_path, const std::string& game_exe);

// Whether program is a temporary copy an earlier run made of itself: one of
// the temporary names, in the temporary folder (ASCII case ignored).
bool IsTemporaryCopy(const std::string& program, const std::string& temp_folder);

// Whether the run has the system delete its own file at the next restart:
// only a temporary copy that runs the work, never the publisher's program
// started from a medium or a download folder (a package of one archive runs
// from there).
bool DeletesItselfAtRestart(TRunRole role, bool from_archive, bool temporary_copy);

// The CDDrive value the launcher records: the drive of a program in a drive's
// root ("M:"), else nothing.
std::string CdDriveOf(const std::string& program);

// The parameters a temporary copy is started with: the folder, then the
// switches, each word quoted as a whole (a value may hold blanks).
std::string HandOverParameters(const std::string& folder, const TRunSwitches& switches);
