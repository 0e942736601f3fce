// The uninstaller worked from outside as a user would: an installation laid
// out by the test (files, install.dat with the uninstaller flag, the registry
// key, the program group's folder) is removed by the real program, started
// from the install folder and handing over to its temporary copy.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <thread>

#include "base/encoding.h"
#include "base/fs.h"
#include "common/package_win.h"
#include "common/scenario_win.h"
#include "common/unix_link_win.h"
#include "common/windriver_win.h"
#include "forms/form_win.h"
#include "os/files_win.h"
#include "os/registry_win.h"
#include "wizard/insttype_win.h"

using testing_support::Exists;
using testing_support::ExpectUninstalled;
using testing_support::Has;
using testing_support::KeyExists;
using testing_support::kTimeout;
using testing_support::LogText;
using testing_support::ReadFileBytes;
using testing_support::TestPackage;
using testing_support::Wizard;
using testing_support::WriteFileBytes;

namespace {

// An installation as the copy work leaves it, in the package folder
// "installed": install.exe and install.dat (uninstaller flag set, both
// recorded), the recorded files, "InstallPath" below maker\Game, and the
// program group's folder with a shortcut in it.
class Installation {
 public:
  explicit Installation(const std::vector<std::string>& files) {
    s().UninstallMode = 1;
    s().RegistryKey = maker + "\\Game";
    for (const std::string& f : files) Record(f);
    Record("install.exe");
    Record("install.dat");
    pkg.WriteSettings();
    s().WriteValue("InstallPath", pkg.Folder());
    group = testing_support::ProgramsFolder() + s().Title + "\\";
    EXPECT_TRUE(testing_support::WriteShortcut(group + s().Title + ".lnk", Folder() + files.front()));
  }
  ~Installation() { testing_support::RemoveTree(group); }

  TZefoInstallSet& s() { return pkg.settings; }
  std::string Folder() const { return pkg.Folder(); }
  void Record(const std::string& name) {
    if (!Exists(Folder() + name)) WriteFileBytes(Folder() + name, name);
    s().InstalledFiles.push_back(name);
  }
  // Puts the program and its settings back for another run.
  void Reinstall() {
    ASSERT_TRUE(CopyFileW(enc::Wide(testing_support::InstallExePath()).c_str(), enc::Wide(pkg.Exe()).c_str(), FALSE));
    pkg.WriteSettings();
  }
  // Starts install.exe in the install folder, as the user does, and returns
  // the id of the temporary copy it hands over to.
  DWORD StartUninstaller(const std::wstring& desktop = L"", const std::string& args = "") {
    testing_support::Uninstaller u = testing_support::StartUninstaller(Folder(), pkg.Temp(), args, desktop);
    uninstaller = std::move(u.started);
    return u.copy;
  }
  std::string InstallPath() { return s().ReadValue("InstallPath", "<none>"); }

  const std::string maker = testing_support::UniqueName("Maker");
  TestPackage pkg{"installed"};
  driver::Process uninstaller;  // the installed program, as started
  std::string group;
};

// The deletion, started from page 7, ends on page 6; Close ends the wizard.
void FinishRun(const Wizard& w) {
  ASSERT_TRUE(w.WaitForCaption(L"完了"));
  EXPECT_EQ(w.Text(kIdLabelExit), L"アンインストールが完了しました");
  EXPECT_EQ(w.Text(kIdBtnAbort), L"閉じる(&C)");
  EXPECT_EQ(w.Text(kIdLabelDel), L"レジストリを削除しています...");
  w.Click(kIdBtnAbort);
  EXPECT_TRUE(w.WaitExit());
}

// Runs the deletion from page 7 to page 6 and closes the wizard there.
void RunToTheEnd(const Wizard& w, const std::string& title) {
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"削除"));
  EXPECT_EQ(w.Text(kIdLabelDelTitle), enc::Wide(title) + L" を削除しています");
  EXPECT_FALSE(w.Visible(kIdBtnNext));
  FinishRun(w);
}

// A desktop of its own whose shell runs without a display driver: Wine's
// shell then offers no Program Manager service there, and a DDE broadcast
// reaches the windows of its own desktop only. The driver setting is the
// prefix's and goes back as soon as that desktop's shell has started.
class DesktopWithoutProgramManager {
 public:
  DesktopWithoutProgramManager() : key_(RegKey::Create(HKEY_CURRENT_USER, "Software\\Wine\\Drivers")) {
    had_value_ = key_.QueryString("Graphics", &old_value_);
    key_.SetString("Graphics", "null");
    name_ = enc::Wide(testing_support::UniqueName("Desktop"));
    desktop_ = CreateDesktopW(name_.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  }
  ~DesktopWithoutProgramManager() {
    RestoreDriver();
    if (desktop_) CloseDesktop(desktop_);
  }
  void RestoreDriver() {
    if (restored_) return;
    restored_ = true;
    if (had_value_) key_.SetString("Graphics", old_value_);
    else RegDeleteValueW(key_.Handle(), L"Graphics");
  }
  HDESK Handle() const { return desktop_; }
  const std::wstring& Name() const { return name_; }

 private:
  RegKey key_;
  bool had_value_ = false, restored_ = false;
  std::string old_value_;
  std::wstring name_;
  HDESK desktop_ = nullptr;
};

}  // namespace

TEST(Uninstall, RemovesEverythingTheInstallationLeft) {
  Installation inst({"game.exe", "data\\voice\\a.ogg", "DATA\\b.bin", "movie\\op.avi", "readme.txt", "ゲーム\\表.txt"});
  SetFileAttributesW(enc::Wide(inst.Folder() + "readme.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  WriteFileBytes(inst.Folder() + "game.ini", "[game]");
  fs::MakeDirectories(inst.Folder() + "empty\\deeper");
  ASSERT_TRUE(fs::DirectoryExists(inst.group));
  Wizard w(inst.StartUninstaller());
  ASSERT_TRUE(w.Found());
  EXPECT_EQ(w.Caption(), L"アンインストール");
  EXPECT_FALSE(w.Visible(kIdCheckDelSave));  // no save data
  EXPECT_EQ(w.Text(kIdBtnNext), L"実行");
  RunToTheEnd(w, inst.s().Title);
  ExpectUninstalled(inst.s(), inst.Folder());  // files, emptied folders, game.ini and the folder itself
  EXPECT_TRUE(fs::DirectoryExists(inst.pkg.Dir().Path()));
  EXPECT_FALSE(KeyExists(inst.maker));  // emptied, so the maker's key went too
}

TEST(Uninstall, SaveDataStaysUnlessTickedAndUnrecordedFilesKeepTheirFolders) {
  Installation inst({"game.exe", "sub\\a.txt"});
  WriteFileBytes(inst.Folder() + "save.dat", "save");
  WriteFileBytes(inst.Folder() + "sub\\mine.txt", "mine");
  {
    Wizard w(inst.StartUninstaller());
    ASSERT_TRUE(w.Found());
    EXPECT_TRUE(w.Visible(kIdCheckDelSave));
    RunToTheEnd(w, inst.s().Title);
  }
  EXPECT_EQ(ReadFileBytes(inst.Folder() + "save.dat"), "save");
  EXPECT_EQ(ReadFileBytes(inst.Folder() + "sub\\mine.txt"), "mine");
  EXPECT_FALSE(Exists(inst.Folder() + "sub\\a.txt"));
  EXPECT_FALSE(Exists(inst.Folder() + "game.exe"));
  EXPECT_FALSE(Exists(inst.Folder() + "install.dat"));
  EXPECT_EQ(inst.InstallPath(), "<none>");

  // Once more with the box ticked: the save data goes, and the folder with it.
  fs::EraseFile(inst.Folder() + "sub\\mine.txt");
  inst.Reinstall();
  Wizard w(inst.StartUninstaller());
  ASSERT_TRUE(w.Found());
  w.Click(kIdCheckDelSave);
  ASSERT_TRUE(driver::WaitUntil([&] { return w.Checked(kIdCheckDelSave); }, kTimeout));
  RunToTheEnd(w, inst.s().Title);
  EXPECT_FALSE(Exists(inst.Folder()));
}

TEST(Uninstall, AbortBeforeTheGroupLeavesEverything) {
  Installation inst({"game.exe"});
  Wizard w(inst.StartUninstaller());
  ASSERT_TRUE(w.Found());
  // Both clicks wait in the queue, posted while the wizard's thread is held so
  // that it cannot start the work in between: the work meets the Abort at
  // its first input point.
  HWND next = w.Control(kIdBtnNext), abort = w.Control(kIdBtnAbort);
  HANDLE ui = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(next, nullptr));
  ASSERT_NE(ui, nullptr);
  ASSERT_NE(SuspendThread(ui), static_cast<DWORD>(-1));
  driver::Click(next);
  driver::Click(abort);
  ResumeThread(ui);
  CloseHandle(ui);
  const driver::MessageDialogContent c = w.Answer(IDYES);
  EXPECT_EQ(c.caption, L"確認");
  EXPECT_EQ(c.text, L"アンインストールを中断しますか？");
  EXPECT_TRUE(w.WaitExit());
  EXPECT_TRUE(fs::DirectoryExists(inst.group));
  EXPECT_TRUE(Exists(inst.Folder() + "game.exe"));
  EXPECT_TRUE(Exists(inst.Folder() + "install.dat"));
  EXPECT_EQ(inst.InstallPath(), inst.Folder());
}

TEST(Uninstall, AbortAfterTheGroupLeavesEveryFileAndTheLogSaysSo) {
  Installation inst({"game.exe", "data\\a.bin"});
  // The log named to the installed program is the temporary copy's, which does the work.
  const std::string log = inst.pkg.Dir() / "uninstall log.txt";
  const DWORD pid = inst.StartUninstaller(L"", testing_support::LogSwitch(log));
  HANDLE copy = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
  Wizard w(pid);
  ASSERT_TRUE(w.Found());
  w.Click(kIdBtnNext);
  // The group is gone while the work waits (its window does not answer then,
  // so nothing here may ask it anything); the Abort is met at the second input point.
  ASSERT_TRUE(driver::WaitUntil([&] { return !fs::DirectoryExists(inst.group); }, kTimeout));
  w.Click(kIdBtnAbort);
  EXPECT_EQ(w.Answer(IDYES).text, L"アンインストールを中断しますか？");
  EXPECT_TRUE(w.WaitExit());
  for (const char* name : {"game.exe", "data\\a.bin", "install.exe", "install.dat"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(Exists(inst.Folder() + name));
  }
  EXPECT_EQ(inst.InstallPath(), inst.Folder());
  DWORD code = 0;
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(GetExitCodeProcess(copy, &code));
  EXPECT_EQ(code, 3u);  // cancelled
  CloseHandle(copy);
  ASSERT_TRUE(inst.uninstaller.WaitExit(kTimeout));
  EXPECT_EQ(inst.uninstaller.ExitCode(), 3u) << "the program started did not end with its copy's code";
  const std::string text = LogText(log);
  EXPECT_TRUE(Has(text, inst.s().Title + " を削除しています")) << text;
  EXPECT_TRUE(Has(text, "stopped on request")) << text;
  EXPECT_TRUE(Has(text, "uninstall stopped")) << text;
}

TEST(Uninstall, WithoutTheProgramManagerServiceTheGroupStillGoes) {
  Installation inst({"game.exe", "data\\a.bin"});
  DesktopWithoutProgramManager desktop;
  ASSERT_NE(desktop.Handle(), nullptr);
  const DWORD pid = inst.StartUninstaller(desktop.Name());
  ASSERT_NE(pid, 0u);
  // Windows are found per desktop: the driver works from a thread there.
  std::thread driver_thread([&] {
    ASSERT_TRUE(SetThreadDesktop(desktop.Handle()));
    const Wizard w(pid);
    desktop.RestoreDriver();
    ASSERT_TRUE(w.Found());
    w.Click(kIdBtnNext);
    // No shell answers: the group's own shortcuts are removed one by one,
    // then its folder, and nothing needs saying.
    FinishRun(w);
  });
  driver_thread.join();
  ExpectUninstalled(inst.s(), inst.Folder());
}

TEST(Uninstall, ADamagedSettingsFileReachesNothingOutsideTheInstallation) {
  Installation inst({"game.exe"});
  const std::string victims = inst.pkg.Dir() / "victims\\";
  WriteFileBytes(victims + "victim.txt", "victim");
  fs::MakeDirectories(victims + "empty");
  ASSERT_TRUE(testing_support::MakeUnixLink(victims, inst.Folder() + "linked"));
  ASSERT_TRUE(testing_support::MakeUnixLink(victims + "victim.txt", inst.Folder() + "filelink"));
  for (const std::string& name : {std::string("..\\victims\\victim.txt"), victims + "victim.txt",
                                  "\\\\?\\" + victims + "victim.txt", victims.substr(0, 2) + "..\\victims\\victim.txt",
                                  std::string("linked\\victim.txt"), std::string("filelink"), std::string("game.exe:x")})
    inst.s().InstalledFiles.push_back(name);
  // A key naming Software itself; a value there and a key below it must stay.
  inst.s().RegistryKey = "\\";
  inst.pkg.WriteSettings();
  const RegKey software = RegKey::Open(HKEY_CURRENT_USER, "Software", KEY_ALL_ACCESS);
  ASSERT_TRUE(software.SetString(inst.maker + "Value", "victim"));
  Wizard w(inst.StartUninstaller());
  ASSERT_TRUE(w.Found());
  RunToTheEnd(w, inst.s().Title);
  EXPECT_EQ(ReadFileBytes(victims + "victim.txt"), "victim");
  EXPECT_TRUE(fs::DirectoryExists(victims + "empty"));
  EXPECT_FALSE(Exists(inst.Folder() + "game.exe"));
  EXPECT_FALSE(Exists(inst.Folder() + "install.dat"));
  EXPECT_TRUE(Exists(inst.Folder() + "linked"));  // unrecorded, never entered: it keeps the install folder
  std::string value;
  EXPECT_TRUE(software.QueryString(inst.maker + "Value", &value));
  EXPECT_TRUE(KeyExists(inst.maker + "\\Game"));  // the installation's real key, which "\\" does not name
  RegDeleteValueW(software.Handle(), enc::Wide(inst.maker + "Value").c_str());
  software.DeleteTree(inst.maker);
}

TEST(Uninstall, ADriveRootIsRefusedWithAnErrorAndNothingGoes) {
  // The uninstaller started as its temporary copy is, for the root of drive C:.
  TestPackage pkg("copy");
  TZefoInstallSet& s = pkg.settings;
  s.UninstallMode = 1;
  const std::string victim = testing_support::UniqueName("Victim") + ".txt";
  s.InstalledFiles = {victim, "install.dat"};
  s.SaveToFile("C:\\install.dat");
  WriteFileBytes("C:\\" + victim, "victim");
  s.WriteValue("InstallPath", "C:\\");
  const std::string log = pkg.Dir() / "run.log";
  driver::Process p = pkg.Start("C:\\ " + testing_support::LogSwitch(log));
  const Wizard w(p.Id());
  ASSERT_TRUE(w.Found());
  w.Click(kIdBtnNext);
  const driver::MessageDialogContent c = w.Answer(IDOK);
  EXPECT_EQ(c.caption, L"エラー");
  EXPECT_EQ(c.text, L"C:\\\r\nこのフォルダは削除できません。アンインストールを中止します");
  EXPECT_TRUE(p.WaitExit(kTimeout));
  EXPECT_EQ(p.ExitCode(), 1u);  // a refusal, though the wizard closes with OK
  EXPECT_EQ(ReadFileBytes("C:\\" + victim), "victim");
  EXPECT_TRUE(Exists("C:\\install.dat"));
  EXPECT_EQ(s.ReadValue("InstallPath", ""), "C:\\");
  fs::EraseFile("C:\\" + victim);
  fs::EraseFile("C:\\install.dat");
}

TEST(Uninstall, AFileInUseIsNamedBeforeTheLastPageAndTheRecordsStay) {
  Installation inst({"game.exe", "data\\a.bin"});
  const std::string log = inst.pkg.Dir() / "uninstall.log";
  HANDLE held = CreateFileW(enc::Wide(inst.Folder() + "data\\a.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const DWORD pid = inst.StartUninstaller(L"", testing_support::LogSwitch(log));
  HANDLE copy = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
  Wizard w(pid);
  ASSERT_TRUE(w.Found());
  w.Click(kIdBtnNext);
  const driver::MessageDialogContent c = w.Answer(IDOK);
  EXPECT_EQ(c.caption, L"警告");
  EXPECT_EQ(c.text.rfind(L"次のものを削除できませんでした。", 0), 0u) << c.text;
  EXPECT_NE(c.text.find(L"\r\ndata\\a.bin"), std::wstring::npos) << c.text;
  ASSERT_TRUE(w.WaitForCaption(L"完了"));
  EXPECT_EQ(w.Text(kIdLabelExit), L"アンインストールは完了していません");
  w.Click(kIdBtnAbort);
  EXPECT_TRUE(w.WaitExit());
  DWORD code = 0;
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(GetExitCodeProcess(copy, &code));
  EXPECT_EQ(code, 1u);  // failed: a logged run says so
  CloseHandle(copy);
  ASSERT_TRUE(inst.uninstaller.WaitExit(kTimeout));
  EXPECT_EQ(inst.uninstaller.ExitCode(), 1u);
  const std::string text = LogText(log);
  EXPECT_TRUE(Has(text, "not deleted: data\\a.bin (")) << text;
  // Nothing is forgotten: the file, the uninstaller, install.dat listing what is left, the key.
  EXPECT_FALSE(Exists(inst.Folder() + "game.exe"));
  TZefoInstallSet left;
  left.LoadFromFile(inst.Folder() + "install.dat");
  EXPECT_EQ(left.InstalledFiles, std::vector<std::string>({"data\\a.bin", "install.exe", "install.dat"}));
  EXPECT_TRUE(Exists(inst.Folder() + "install.exe"));
  EXPECT_EQ(inst.InstallPath(), inst.Folder());

  // Unattended, the same: exit 1 while the file is in use; once it is free,
  // the uninstaller left behind finishes the work, itself included.
  const std::string silent_log = inst.pkg.Dir() / "silent.log";
  const auto silent = [&] {
    return testing_support::RunInstalled(inst.Folder(), "/silent " + testing_support::LogSwitch(silent_log),
                                         inst.pkg.Temp(), silent_log);
  };
  const testing_support::Ended refused = silent();
  EXPECT_EQ(refused.code, 1) << refused;
  EXPECT_TRUE(Exists(inst.Folder() + "data\\a.bin")) << refused;
  EXPECT_EQ(inst.InstallPath(), inst.Folder());
  CloseHandle(held);
  const testing_support::Ended finished = silent();
  EXPECT_EQ(finished.code, 0) << finished;
  ExpectUninstalled(inst.s(), inst.Folder());
}
