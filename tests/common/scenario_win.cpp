#include "common/scenario_win.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "archive/vrfiles.h"
#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/archive_fixture.h"
#include "common/output_capture_win.h"
#include "common/package_win.h"
#include "common/temp_dir.h"
#include "forms/message_dialog_win.h"
#include "os/files_win.h"
#include "os/registry_win.h"
#include "wizard/readme_form_win.h"

namespace testing_support {
namespace {

// A content as a failure message shows it: short ones whole, long ones by
// size and a checksum, so that a 5 MiB file does not flood the report.
std::string Shown(const std::string& bytes) {
  if (bytes.size() <= 80) return "\"" + bytes + "\"";
  return Format("<%u bytes, crc %08x>", static_cast<unsigned>(bytes.size()), ZlibCrc32(bytes));
}

std::string Line(const std::string& name, const std::optional<std::string>& content) {
  return content ? name + " = " + Shown(*content) : name;
}

std::vector<std::string> Lines(std::vector<TreeFile> files) {
  std::sort(files.begin(), files.end(), [](const TreeFile& a, const TreeFile& b) { return a.name < b.name; });
  std::vector<std::string> out;
  for (const TreeFile& f : files) out.push_back(Line(f.name, f.content));
  return out;
}

std::string UninstallValue(const TZefoInstallSet& s, const std::string& name) {
  const RegKey key = RegKey::Open(HKEY_CURRENT_USER, UninstallKeyPath(s.Title), KEY_READ);
  std::string value;
  return key.QueryString(name, &value) ? value : "<none>";
}

DWORD UninstallNumber(const TZefoInstallSet& s, const std::string& name) {
  DWORD value = 0xFFFFFFFF, size = sizeof value;
  RegGetValueW(HKEY_CURRENT_USER, enc::Wide(UninstallKeyPath(s.Title)).c_str(), enc::Wide(name).c_str(), RRF_RT_DWORD,
               nullptr, &value, &size);
  return value;
}

// What the system's own uninstaller lists, one program per line.
std::string InstalledProgramsList() {
  const TempDir dir;
  const CapturedRun run = RunWithOutputToFile(L"uninstaller.exe --list", dir.Path(), dir / "list.txt", kTimeout);
  EXPECT_TRUE(run.ended) << "uninstaller.exe --list did not end";
  return run.out;
}

// Waits for the run to end (killing it when it does not) and reads what it left.
Ended EndOf(driver::Process& p, const std::string& output_file, const std::string& log) {
  Ended e;
  if (p.WaitExit(kTimeout)) {
    e.code = static_cast<int>(p.ExitCode());
  } else {
    ADD_FAILURE() << "the run did not end by itself";
    p.Kill();
  }
  e.output = OutputOf(output_file);
  if (!log.empty()) e.log = LogText(log);
  return e;
}

void WalkAndInstall(const TestMedium& m, const std::string& target, WizardComponents components, Ended* ended) {
  driver::Process p = m.StartWizard();
  const Wizard w(p);
  ASSERT_NO_FATAL_FAILURE(WalkToConfirmPage(w, target, components));
  ASSERT_NO_FATAL_FAILURE(FinishInstall(w, p, &ended->readme));
  ended->code = static_cast<int>(p.ExitCode());
}

}  // namespace

bool Exists(const std::string& path) { return FileAttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool KeyExists(const std::string& path) {
  return RegKey::Open(HKEY_CURRENT_USER, "Software\\" + path, KEY_READ).IsOpen();
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string FileIdentity(const std::string& path) {
  const HANDLE h = CreateFileW(enc::Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "";
  BY_HANDLE_FILE_INFORMATION i = {};
  const bool ok = GetFileInformationByHandle(h, &i) != 0;
  CloseHandle(h);
  if (!ok) return "";
  return Format("%08lx:%08lx%08lx:%08lx%08lx", i.dwVolumeSerialNumber, i.nFileIndexHigh, i.nFileIndexLow,
                i.ftLastWriteTime.dwHighDateTime, i.ftLastWriteTime.dwLowDateTime);
}

std::string LogText(const std::string& file) {
  return fs::FileExists(file) ? enc::Utf8ToSjis(ReadFileBytes(file)) : "<no log>";
}

std::string LogSwitch(const std::string& file) { return "\"/log=" + file + "\""; }

void OneDiscSizes(TZefoInstallSet& s, int64_t program, int64_t data) {
  s.ProgramSize = s.DiskProgramSize[0] = program;
  s.DataSize = s.DiskDataSize[0] = data;
}

std::ostream& operator<<(std::ostream& out, const Ended& run) {
  out << "exit code " << run.code << "\n--- output:\n" << enc::SjisToUtf8(run.output);
  if (!run.log.empty()) out << "\n--- log:\n" << enc::SjisToUtf8(run.log);
  return out;
}

Ended RunSilent(const TestMedium& m, const SilentInstall& how) {
  std::string args = "/silent";
  if (!how.target.empty()) args += " \"/dir=" + how.target + "\"";
  if (!how.components.empty()) args += " /components=" + how.components;
  if (!how.more.empty()) args += " " + how.more;
  if (!how.log.empty()) args += " " + LogSwitch(how.log);
  const std::string output = m.Dir() / "silent output.txt";
  driver::Process p = m.Start(args, output);
  return EndOf(p, output, how.log);
}

Ended RunInstalled(const std::string& folder, const std::string& args, const std::string& temp,
                   const std::string& log) {
  const std::string output = AddTrailingDelimiter(temp) + "run output.txt";
  const std::wstring wide_temp = enc::Wide(temp);
  driver::Process p = driver::Process::Start(AddTrailingDelimiter(folder) + "install.exe", args,
                                             {{L"TEMP", wide_temp}, {L"TMP", wide_temp}}, folder, L"", output);
  EXPECT_NE(p.Id(), 0u) << "install.exe did not start";
  return EndOf(p, output, log);
}

Ended InstallThroughWizard(const TestMedium& m, const std::string& target, WizardComponents components) {
  Ended ended;
  WalkAndInstall(m, target, components, &ended);
  return ended;
}

void FinishInstall(const Wizard& w, const driver::Process& p, std::optional<std::wstring>* readme) {
  ASSERT_EQ(w.Text(kIdBtnNext), L"インストール");
  w.Click(kIdBtnNext);
  // The read-me's own window stands before the last page, modal.
  HWND shown = nullptr;
  driver::WaitUntil(
      [&] {
        shown = driver::WaitForWindowWithChild(w.Pid(), TForm::kClassName, kIdReadmeClose, 0);
        return shown || w.Caption() == L"完了";
      },
      kTimeout);
  if (shown) {
    if (readme) *readme = driver::Text(driver::ChildById(shown, kIdReadmeText));
    driver::Click(driver::ChildById(shown, kIdReadmeClose));
  }
  if (!w.WaitForCaption(L"完了", kTimeout)) {
    HWND dialog = driver::WaitForWindow(w.Pid(), kMessageDialogClass, 100);
    FAIL() << "the copy work did not end on the last page"
           << (dialog ? ": " + enc::Narrow(driver::ReadMessageDialog(dialog).text) : std::string());
  }
  EXPECT_EQ(w.Text(kIdLabelExit), L"インストールが完了しました");
  EXPECT_EQ(w.Text(kIdBtnAbort), L"閉じる(&C)");
  w.Click(kIdBtnAbort);
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

Uninstaller StartUninstaller(const std::string& folder, const std::string& temp, const std::string& args,
                             const std::wstring& desktop) {
  Uninstaller u;
  const std::wstring wide_temp = enc::Wide(temp);
  u.started = driver::Process::Start(AddTrailingDelimiter(folder) + "install.exe", args,
                                     {{L"TEMP", wide_temp}, {L"TMP", wide_temp}}, "", desktop);
  if (!Has(args, "/log=")) {
    EXPECT_TRUE(u.started.WaitExit(kTimeout)) << "the installed program did not hand over";
  }
  u.copy = driver::WaitForProgram(L"~zinstall.exe", kTimeout);
  return u;
}

void ExpectTree(const std::string& folder, const std::vector<TreeFile>& files) {
  SCOPED_TRACE("the files below " + folder);
  std::vector<TreeFile> found;
  for (const std::string& name : FilesBelow(folder)) {
    const auto wanted = std::find_if(files.begin(), files.end(), [&](const TreeFile& f) { return f.name == name; });
    if (wanted != files.end() && wanted->content) found.emplace_back(name, ReadFileBytes(AddTrailingDelimiter(folder) + name));
    else found.emplace_back(name);
  }
  EXPECT_EQ(Lines(found), Lines(files));
}

void ExpectDataFile(const std::string& file, const std::vector<TreeFile>& entries) {
  SCOPED_TRACE("the entries of " + file);
  TVrFileCollection data;
  data.Open(file);
  EXPECT_TRUE(data.Verify());
  for (const TreeFile& e : entries) {
    SCOPED_TRACE(e.name);
    if (e.content) EXPECT_EQ(Shown(EntryBytes(data, e.name)), Shown(*e.content));
    else EXPECT_GE(data.IndexOf(e.name), 0);
  }
}

void ExpectRecorded(const std::string& folder, const std::vector<std::string>& names) {
  TZefoInstallSet installed;
  installed.LoadFromFile(AddTrailingDelimiter(folder) + "install.dat");
  EXPECT_EQ(installed.InstalledFiles, names) << "recorded in " << folder << "install.dat";
}

void ExpectGroup(const TZefoInstallSet& s, const std::vector<std::string>& files) {
  std::vector<std::string> sorted = files;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(FilesBelow(ProgramsFolder() + s.Title + "\\"), sorted) << "the program group of " << s.Title;
}

void ExpectUninstallEntry(const TZefoInstallSet& s, const std::string& target, DWORD min_kib) {
  SCOPED_TRACE("the entry among the installed programs");
  const std::string exe = target + "install.exe";
  EXPECT_EQ(UninstallValue(s, "DisplayName"), s.Title);
  EXPECT_EQ(UninstallValue(s, "UninstallString"), "\"" + exe + "\"");
  EXPECT_EQ(UninstallValue(s, "QuietUninstallString"), "\"" + exe + "\" /silent");
  EXPECT_EQ(UninstallValue(s, "DisplayIcon"), exe + ",1");
  EXPECT_EQ(UninstallValue(s, "InstallLocation"), target);
  EXPECT_EQ(UninstallNumber(s, "NoModify"), 1u);
  EXPECT_EQ(UninstallNumber(s, "NoRepair"), 1u);
  EXPECT_GE(UninstallNumber(s, "EstimatedSize"), min_kib);
  EXPECT_TRUE(Has(InstalledProgramsList(), s.Title));
}

void ExpectNothingRecorded(const TZefoInstallSet& s, const std::string& target) {
  SCOPED_TRACE("nothing recorded");
  EXPECT_FALSE(fs::FileExists(AddTrailingDelimiter(target) + "install.dat"));
  EXPECT_EQ(s.ReadValue("InstallPath", "<none>"), "<none>");
  EXPECT_FALSE(fs::DirectoryExists(ProgramsFolder() + s.Title));
  EXPECT_EQ(UninstallValue(s, "DisplayName"), "<none>");
}

void ExpectNothingRecorded(const TestMedium& m) { ExpectNothingRecorded(m.settings, m.Target()); }

void ExpectUninstalled(const TZefoInstallSet& s, const std::string& folder) {
  SCOPED_TRACE("uninstalled");
  EXPECT_FALSE(Exists(folder));
  EXPECT_EQ(s.ReadValue("InstallPath", "<none>"), "<none>");
  EXPECT_FALSE(fs::DirectoryExists(ProgramsFolder() + s.Title));
  EXPECT_EQ(UninstallValue(s, "DisplayName"), "<none>");
  EXPECT_FALSE(Has(InstalledProgramsList(), s.Title));
}

MachineSnapshot SnapshotMachine(const TZefoInstallSet& s, const std::string& target) {
  MachineSnapshot m;
  std::string folder = RemoveTrailingDelimiter(target);
  for (int level = 0; level < 3; ++level, folder = ExtractFileDir(folder)) {
    if (fs::DirectoryExists(folder)) m.folders.push_back(folder);
  }
  if (fs::DirectoryExists(target)) m.files = FilesBelow(target);
  const std::string group = ProgramsFolder() + s.Title;
  m.group = fs::DirectoryExists(group) ? FilesBelow(group) : std::vector<std::string>{"<none>"};
  m.install_path = s.ReadValue("InstallPath", "<none>");
  m.entry = UninstallValue(s, "InstallLocation");
  return m;
}

void ExpectMachineAsIn(const MachineSnapshot& before, const TZefoInstallSet& s, const std::string& target) {
  SCOPED_TRACE("the machine as before");
  const MachineSnapshot now = SnapshotMachine(s, target);
  EXPECT_EQ(now.folders, before.folders);
  EXPECT_EQ(now.files, before.files);
  EXPECT_EQ(now.group, before.group);
  EXPECT_EQ(now.install_path, before.install_path);
  EXPECT_EQ(now.entry, before.entry);
}

}  // namespace testing_support
