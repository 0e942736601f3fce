// The words a scenario under Wine is written in: a medium (TestMedium), a run
// of the real program (RunSilent, InstallThroughWizard, StartUninstaller,
// RunInstalled), and the machine afterwards, one line each (ExpectTree,
// ExpectDataFile, ExpectRecorded, ExpectGroup, ExpectUninstallEntry,
// ExpectNothingRecorded, ExpectUninstalled). The Expect words report through
// GoogleTest and go on; call them inside SCOPED_TRACE where a loop needs it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "common/medium_win.h"
#include "common/wizard_win.h"
#include "settings/install_set.h"

namespace testing_support {

// The one wait of every scenario (the window driver's).
using driver::kTimeout;

// A file or a folder is there.
bool Exists(const std::string& path);
// A key of HKEY_CURRENT_USER\Software is there (path below it; "" is Software).
bool KeyExists(const std::string& path);
// text contains part.
bool Has(const std::string& text, const std::string& part);

// Which file path is and when it was last written (volume, file index, write
// time): equal before and after a run when the run neither replaced nor
// rewrote it. "" when it cannot be opened.
std::string FileIdentity(const std::string& path);

// A run's log (UTF-8 in the file) in Shift-JIS; "<no log>" when there is none.
std::string LogText(const std::string& file);
// The /log= switch naming file, quoted as one argument.
std::string LogSwitch(const std::string& file);

// One disc's sizes: the whole package's and the disc's own, alike.
void OneDiscSizes(TZefoInstallSet& s, int64_t program, int64_t data = 0);

// How a run of the program ended.
struct Ended {
  int code = -1;       // its exit code; -1 when it did not end by itself (it was killed)
  std::string output;  // its standard output and error, in Shift-JIS
  std::string log;     // the log's text (LogText), "" when no log was named
  // The text of the read-me in the program's own window (closed with 閉じる);
  // nothing when that window did not show.
  std::optional<std::wstring> readme;
};
// The code, the output and the log, for a failure message.
std::ostream& operator<<(std::ostream& out, const Ended& run);

// An unattended install's switches; "" leaves a switch out.
struct SilentInstall {
  SilentInstall(std::string dir = "", std::string components_ = "", std::string log_ = "", std::string more_ = "")
      : target(std::move(dir)), components(std::move(components_)), log(std::move(log_)), more(std::move(more_)) {}
  std::string target;      // /dir=, as given (a trailing delimiter stays)
  std::string components;  // /components=
  std::string log;         // /log=
  std::string more;        // further switches, raw (/disc=all, /discs=...)
};
// Runs the medium's install.exe /silent with those switches to its end.
Ended RunSilent(const TestMedium& m, const SilentInstall& how);

// Runs folder's install.exe (an installed program: the uninstaller) with a raw
// command-line tail from folder, TEMP at temp, to its end; log names the file
// its args ask it to log to ("" when none).
Ended RunInstalled(const std::string& folder, const std::string& args, const std::string& temp,
                   const std::string& log = "");

// Installs the medium through its wizard as a user does: the components
// ticked, the folder typed, "インストール" pressed, the last page closed.
Ended InstallThroughWizard(const TestMedium& m, const std::string& target, WizardComponents components = {});
// From the confirmation page: "インストール" pressed, the last page reached
// and closed, the process ended. A read-me shown in the program's own window
// on the way is read into *readme (when given) and closed with 閉じる.
void FinishInstall(const Wizard& w, const driver::Process& p, std::optional<std::wstring>* readme = nullptr);

// The program in an install folder, started as the user starts it, and the
// temporary copy it handed over to (0 when none came).
struct Uninstaller {
  driver::Process started;
  DWORD copy = 0;
};
// Without /log= in args the started program must end at once; with it, it
// waits for its copy and ends with the copy's code.
Uninstaller StartUninstaller(const std::string& folder, const std::string& temp, const std::string& args = "",
                             const std::wstring& desktop = L"");

// A file of a tree: its name below the folder ("\" between folders) and,
// when given, its whole content.
struct TreeFile {
  TreeFile(const char* n) : name(n) {}  // NOLINT: a bare name reads as a file of any content
  TreeFile(std::string n) : name(std::move(n)) {}  // NOLINT
  TreeFile(std::string n, std::string bytes) : name(std::move(n)), content(std::move(bytes)) {}
  std::string name;
  std::optional<std::string> content;
};
// folder holds exactly these files, with these contents where given.
void ExpectTree(const std::string& folder, const std::vector<TreeFile>& files);
// The archive file is sound and holds these entries, with these contents where given.
void ExpectDataFile(const std::string& file, const std::vector<TreeFile>& entries);
// The install.dat in folder records exactly these names, in this order.
void ExpectRecorded(const std::string& folder, const std::vector<std::string>& names);
// The title's program group holds exactly these files.
void ExpectGroup(const TZefoInstallSet& s, const std::vector<std::string>& files);
// The system's list of installed programs has the title, installed in
// target, with an estimate of at least min_kib KiB.
void ExpectUninstallEntry(const TZefoInstallSet& s, const std::string& target, DWORD min_kib = 1);
// Nothing says the title is installed in target: no install.dat, no
// "InstallPath", no group, no entry in the system's list.
void ExpectNothingRecorded(const TZefoInstallSet& s, const std::string& target);
// The same for the medium's title and install folder (Target()).
void ExpectNothingRecorded(const TestMedium& m);
// An uninstall removed all of it: the folder, "InstallPath", the group, the entry.
void ExpectUninstalled(const TZefoInstallSet& s, const std::string& folder);

// What an install of the title into target may change: the install folder and
// the two folders above it (those that exist), the files below it, the
// title's program group, "InstallPath" and the installed-programs entry.
struct MachineSnapshot {
  std::vector<std::string> folders;
  std::vector<std::string> files;
  std::vector<std::string> group;  // {"<none>"} when there is no group
  std::string install_path;
  std::string entry;
};
MachineSnapshot SnapshotMachine(const TZefoInstallSet& s, const std::string& target);
// The machine is as the snapshot found it.
void ExpectMachineAsIn(const MachineSnapshot& before, const TZefoInstallSet& s, const std::string& target);

}  // namespace testing_support
