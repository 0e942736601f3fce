// Starts the real install.exe under the conditions a user meets and watches
// what it does from outside: its windows, its registry values, the programs it
// starts and the files it leaves.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "common/output_capture_win.h"
#include "common/package_win.h"
#include "common/scenario_win.h"
#include "common/temp_dir.h"
#include "common/windriver_win.h"
#include "forms/message_dialog_win.h"
#include "launcher/running_game.h"
#include "os/files_win.h"
#include "os/mutex_win.h"
#include "os/registry_win.h"
#include "settings/install_set.h"

using driver::Process;
using testing_support::Has;
using testing_support::kTimeout;
using testing_support::LogText;
using testing_support::OutputOf;
using testing_support::TempDir;

namespace {

using testing_support::InstallExePath;
using testing_support::UniqueName;
using Package = testing_support::TestPackage;

using driver::MessageDialogContent;

MessageDialogContent Read(HWND dialog) { return driver::ReadMessageDialog(dialog); }

// Closes the wizard of a process the way a user does: Abort, then Yes.
void AbortWizard(DWORD pid) {
  HWND wizard = driver::WaitForWindow(pid, L"ZiForm", kTimeout);
  ASSERT_NE(wizard, nullptr) << "no wizard appeared";
  HWND abort_button = nullptr;
  driver::WaitUntil([&] {
    for (HWND w : driver::TopWindows(pid, L"ZiForm"))
      if (HWND b = driver::ChildById(w, 203)) abort_button = b;
    return abort_button != nullptr;
  }, kTimeout);
  ASSERT_NE(abort_button, nullptr);
  driver::Click(abort_button);
  EXPECT_FALSE(driver::AnswerMessageDialog(pid, IDYES, kTimeout).caption.empty());
}

// The process ends by itself without showing any window.
void ExpectSilentEnd(const Process& p) {
  bool window_seen = false;
  driver::WaitUntil(
      [&] {
        if (!driver::TopWindows(p.Id()).empty()) window_seen = true;
        return !p.Running();
      },
      kTimeout);
  EXPECT_FALSE(p.Running()) << "the program did not end";
  EXPECT_FALSE(window_seen) << "the program showed a window";
}

bool PendingDeletionOf(const std::string& path) {
  const RegKey key =
      RegKey::Open(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", KEY_READ);
  DWORD type = 0, bytes = 0;
  if (RegQueryValueExW(key.Handle(), L"PendingFileRenameOperations", nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
    return false;
  std::wstring data(bytes / 2 + 1, L'\0');
  RegQueryValueExW(key.Handle(), L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                   &bytes);
  return data.find(enc::Wide(path)) != std::wstring::npos;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<fs::DirEntry> entries;
  fs::ListDirectory(folder, &entries);
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  return names;
}

}  // namespace

TEST(Startup, MissingSettingsShowsTheWarningAndStartsNothing) {
  Package pkg;  // no install.dat
  Process p = pkg.Start();
  HWND dialog = driver::WaitForWindow(p.Id(), kMessageDialogClass, kTimeout);
  ASSERT_NE(dialog, nullptr) << "no warning appeared";
  const MessageDialogContent c = Read(dialog);
  EXPECT_EQ(c.caption, L"警告");
  EXPECT_EQ(c.text, L"インストール設定ファイルがありません");
  EXPECT_EQ(c.buttons, std::vector<std::wstring>({L"OK"}));
  // Centred on the screen.
  const RECT r = driver::ScreenRect(dialog);
  EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

  driver::Click(driver::ChildById(dialog, IDOK));
  ASSERT_TRUE(p.WaitExit(kTimeout));
  EXPECT_TRUE(FilesIn(pkg.Temp()).empty()) << "a temporary copy was made";
  EXPECT_EQ(pkg.Value("CDDrive"), "<none>");
}

TEST(Startup, FolderParameterWithoutSettingsShowsTheWarning) {
  Package pkg;
  pkg.WriteSettings();  // beside the program, but the parameter names another folder
  TempDir empty;
  Process p = pkg.Start("\"" + empty.Path() + "\"");
  HWND dialog = driver::WaitForWindow(p.Id(), kMessageDialogClass, kTimeout);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(Read(dialog).text, L"インストール設定ファイルがありません");
  driver::Click(driver::ChildById(dialog, IDOK));
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TEST(Startup, LauncherRunWritesCdDriveAndEnds) {
  // Before the launcher shows, the run records that the program does not run
  // from a drive root; closing the launcher ends it without hand-over.
  Package pkg;
  pkg.WriteSettings();
  Process p = pkg.Start();
  HWND launcher = driver::WaitForWindow(p.Id(), L"ZiForm", kTimeout);
  ASSERT_NE(launcher, nullptr);
  PostMessageW(launcher, WM_CLOSE, 0, 0);  // the close box
  ASSERT_TRUE(p.WaitExit(kTimeout));
  EXPECT_EQ(pkg.Value("CDDrive"), "");
  EXPECT_TRUE(FilesIn(pkg.Temp()).empty());
}

TEST(Startup, SecondInstanceEndsSilently) {
  Package pkg;
  pkg.WriteSettings();
  NamedMutex first = NamedMutex::Create(pkg.settings.Title);  // another instance holds it
  ASSERT_TRUE(first.IsHeld());
  Process p = pkg.Start();
  ExpectSilentEnd(p);
  EXPECT_EQ(pkg.Value("CDDrive"), "<none>") << "went past the instance guard";
}

TEST(Startup, RunningGameEndsSilently) {
  Package pkg;
  pkg.WriteSettings();
  const std::string install_path = "C:\\Games\\ソフト表";  // two trail bytes 0x5C
  pkg.settings.WriteValue("InstallPath", install_path);
  NamedMutex game = NamedMutex::Create(RunningGameMutexName(install_path));
  ASSERT_TRUE(game.IsHeld());
  Process p = pkg.Start();
  ExpectSilentEnd(p);
  EXPECT_EQ(pkg.Value("CDDrive"), "<none>") << "went past the running-game test";
}

TEST(Startup, UninstallerHandsOverToATemporaryCopyWithTheQuotedFolder) {
  // The folder's name ends in 表 (95 5C): the quoted parameter ends in "\"".
  Package pkg("削除表");
  pkg.settings.UninstallMode = 1;
  pkg.WriteSettings();
  Process p = pkg.Start();
  ASSERT_TRUE(p.WaitExit(kTimeout));
  const std::string copy = pkg.Temp() + "~zinstall.exe";
  EXPECT_TRUE(fs::FileExists(copy));
  // The copy reads install.dat from the folder it was given and, being the
  // uninstaller's copy, registers itself for deletion at restart; it could not
  // if the parameter were wrong (it would warn that the settings are missing)
  // or if the instance mutex were still held (it would end silently).
  EXPECT_TRUE(driver::WaitUntil([&] { return PendingDeletionOf(copy); }, kTimeout))
      << "the temporary copy did not run as the uninstaller";
  const DWORD copy_pid = driver::WaitForProgram(L"~zinstall.exe", kTimeout);
  ASSERT_NE(copy_pid, 0u);
  AbortWizard(copy_pid);  // the uninstall wizard, in the copy
  EXPECT_TRUE(driver::WaitNoProgram(L"~zinstall.exe", kTimeout));
}

TEST(Startup, LockedTemporaryNamesAreTriedInOrder) {
  Package pkg;
  pkg.settings.UninstallMode = 1;
  pkg.WriteSettings();
  // Lock "~zinstall.exe" and "~zinstall0.exe" to "~zinstall97.exe": the copy
  // lands in "~zinstall98.exe", the last name tried.
  std::vector<HANDLE> locks;
  auto lock = [&](const std::string& name) {
    HANDLE h = CreateFileW(enc::Wide(pkg.Temp() + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    locks.push_back(h);
  };
  lock("~zinstall.exe");
  for (int n = 0; n <= 97; ++n) lock(Format("~zinstall%d.exe", n));
  Process p = pkg.Start();
  ASSERT_TRUE(p.WaitExit(kTimeout));
  const std::string copy = pkg.Temp() + "~zinstall98.exe";
  EXPECT_GT(fs::FileSizeOf(copy), 0);
  EXPECT_TRUE(driver::WaitUntil([&] { return PendingDeletionOf(copy); }, kTimeout));
  const DWORD copy_pid = driver::WaitForProgram(L"~zinstall98.exe", kTimeout);
  ASSERT_NE(copy_pid, 0u);
  AbortWizard(copy_pid);
  EXPECT_TRUE(driver::WaitNoProgram(L"~zinstall98.exe", kTimeout));
  for (HANDLE h : locks) CloseHandle(h);
}

TEST(Startup, HundredLockedTemporaryNamesGiveTheCopyWarning) {
  Package pkg;
  pkg.settings.UninstallMode = 1;
  pkg.WriteSettings();
  std::vector<HANDLE> locks;
  for (int n = -1; n <= 98; ++n) {
    const std::string name = n < 0 ? "~zinstall.exe" : Format("~zinstall%d.exe", n);
    HANDLE h = CreateFileW(enc::Wide(pkg.Temp() + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    locks.push_back(h);
  }
  Process p = pkg.Start();
  HWND dialog = driver::WaitForWindow(p.Id(), kMessageDialogClass, kTimeout);
  ASSERT_NE(dialog, nullptr);
  const MessageDialogContent c = Read(dialog);
  EXPECT_EQ(c.caption, L"警告");
  EXPECT_EQ(c.text, L"ファイルをコピーできません");
  EXPECT_EQ(c.buttons, std::vector<std::wstring>({L"OK"}));
  driver::Click(driver::ChildById(dialog, IDOK));
  ASSERT_TRUE(p.WaitExit(kTimeout));
  for (HANDLE h : locks) CloseHandle(h);
  // No copy was started: "~zinstall99.exe" was never even tried.
  EXPECT_FALSE(fs::FileExists(pkg.Temp() + "~zinstall99.exe"));
  for (const auto& [name, pid] : driver::RunningPrograms()) EXPECT_EQ(name.find(L"~zinstall"), std::wstring::npos);
}

TEST(Startup, ProgramInADriveRootRecordsTheDrive) {
  // scripts/wine-env maps Q: to a folder of the build for this test.
  if (!fs::DirectoryExists("Q:\\")) GTEST_SKIP() << "drive Q: is not mapped";
  const std::string exe = "Q:\\install.exe";
  ASSERT_TRUE(CopyFileW(enc::Wide(InstallExePath()).c_str(), enc::Wide(exe).c_str(), FALSE));
  TZefoInstallSet s;
  s.Title = UniqueName("Root");
  s.RegistryKey = "ZiStartupTests\\" + UniqueName("Root");
  s.SaveToFile("Q:\\install.dat");
  Process p = Process::Start(exe, "");
  HWND launcher = driver::WaitForWindow(p.Id(), L"ZiForm", kTimeout);
  ASSERT_NE(launcher, nullptr);
  PostMessageW(launcher, WM_CLOSE, 0, 0);
  ASSERT_TRUE(p.WaitExit(kTimeout));
  EXPECT_EQ(s.ReadValue("CDDrive", "<none>"), "Q:");
  s.DeleteRegistryKey();
  fs::EraseFile("Q:\\install.dat");
  fs::EraseFile(exe);
}

TEST(Startup, OnlyItsOwnTemporaryCopyIsScheduledForDeletion) {
  // The publisher's program, given its folder, runs the wizard at once: it is
  // no copy of this program's making and must stay.
  Package pkg;
  pkg.WriteSettings();
  Process p = pkg.Start("\"" + pkg.Folder() + "\"");
  ASSERT_NE(driver::WaitForWindow(p.Id(), L"ZiForm", kTimeout), nullptr);
  EXPECT_FALSE(PendingDeletionOf(pkg.Exe()));
  AbortWizard(p.Id());
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TEST(Startup, AWordAskingForNoWindowNeverShowsOneEvenMalformed) {
  Package pkg;
  pkg.WriteSettings();
  const struct {
    const char* args;
    const char* named;  // the word the line names
  } rows[] = {
      {"/silent=yes", "/silent=yes"},
      {"/Verify=x", "/Verify=x"},
      {"/SILENT /fast", "/fast"},
      {"/verify /silent", "/verify"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args);
    const std::string out = pkg.Dir() / "out.txt";
    Process p = pkg.Start(row.args, out);
    ExpectSilentEnd(p);
    EXPECT_EQ(p.ExitCode(), 2u);
    EXPECT_TRUE(Has(OutputOf(out), row.named)) << OutputOf(out);
  }
}

TEST(Startup, HelpListsTheSwitchesAndExitCodesOnTheOutput) {
  Package pkg;  // no install.dat needed: help is all the run does
  for (const char* word : {"/?", "/HELP"}) {
    SCOPED_TRACE(word);
    const std::string out = pkg.Dir() / "help.txt";
    Process p = pkg.Start(word, out);
    ExpectSilentEnd(p);
    EXPECT_EQ(p.ExitCode(), 0u);
    const std::string text = OutputOf(out);
    for (const char* part : {"/silent", "/dir=", "/deletesave", "/verify", "/log=", "終了コード", "9 install.dat"})
      EXPECT_TRUE(Has(text, part)) << part << " in " << text;
    EXPECT_FALSE(Has(text, "不明なスイッチです"));
  }
}

TEST(Startup, EarlierTemporaryCopiesAreRemovedButNotARunningOneNorOthers) {
  Package pkg;
  const std::string temp = pkg.Temp();
  const auto copy = [&](const std::string& name) {
    ASSERT_TRUE(CopyFileW(enc::Wide(InstallExePath()).c_str(), enc::Wide(temp + name).c_str(), FALSE)) << name;
  };
  // A copy that runs: it warns that its folder holds no install.dat and waits.
  copy("~zinstall7.exe");
  TempDir empty;
  Process running = Process::Start(temp + "~zinstall7.exe", "\"" + empty.Path() + "\"",
                                   {{L"TEMP", enc::Wide(temp)}, {L"TMP", enc::Wide(temp)}});
  ASSERT_NE(driver::WaitForWindow(running.Id(), kMessageDialogClass, kTimeout), nullptr);
  copy("~zinstall.exe");
  copy("~zinstall5.exe");
  SetFileAttributesW(enc::Wide(temp + "~zinstall5.exe").c_str(), FILE_ATTRIBUTE_READONLY);  // copied from a CD
  copy("~zinstall99.exe");  // never one of the names
  copy("setup.exe");
  testing_support::WriteFileBytes(temp + "~zinstall0.exe", "not a copy of the program");

  // Any start does it, even one that ends at once (no installation to verify).
  const std::string log = pkg.Dir() / "log.txt";
  Process p = pkg.Start("/verify " + testing_support::LogSwitch(log));
  ExpectSilentEnd(p);
  EXPECT_EQ(p.ExitCode(), 9u);
  EXPECT_FALSE(fs::FileExists(temp + "~zinstall.exe"));
  EXPECT_FALSE(fs::FileExists(temp + "~zinstall5.exe"));
  EXPECT_TRUE(fs::FileExists(temp + "~zinstall7.exe")) << "the running copy was deleted";
  EXPECT_TRUE(fs::FileExists(temp + "~zinstall99.exe"));
  EXPECT_TRUE(fs::FileExists(temp + "setup.exe"));
  EXPECT_EQ(testing_support::ReadFileBytes(temp + "~zinstall0.exe"), "not a copy of the program");
  const std::string text = LogText(log);
  EXPECT_TRUE(Has(text, "deleted an earlier temporary copy: " + temp + "~zinstall.exe")) << text;
  EXPECT_TRUE(Has(text, "deleted an earlier temporary copy: " + temp + "~zinstall5.exe")) << text;
  EXPECT_FALSE(Has(text, "~zinstall7.exe")) << text;

  driver::Click(driver::ChildById(driver::WaitForWindow(running.Id(), kMessageDialogClass, kTimeout), IDOK));
  EXPECT_TRUE(running.WaitExit(kTimeout));
}

TEST(Startup, ALoggedUninstallerWaitsForItsCopyAndEndsWithItsCode) {
  Package pkg;
  pkg.settings.UninstallMode = 1;
  pkg.WriteSettings();
  const std::string log = pkg.Dir() / "log.txt";
  Process p = pkg.Start(testing_support::LogSwitch(log));
  const DWORD copy_pid = driver::WaitForProgram(L"~zinstall.exe", kTimeout);
  ASSERT_NE(copy_pid, 0u);
  EXPECT_TRUE(p.Running()) << "the uninstaller did not wait for its copy";
  AbortWizard(copy_pid);  // the person leaves the uninstall wizard: cancelled
  ASSERT_TRUE(p.WaitExit(kTimeout));
  EXPECT_EQ(p.ExitCode(), 3u) << LogText(log);
  EXPECT_TRUE(Has(LogText(log), "this temporary copy " + pkg.Temp() + "~zinstall.exe is deleted at the next restart"))
      << LogText(log);
}
