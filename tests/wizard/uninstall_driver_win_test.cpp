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
#include "common/unix_link_win.h"
#include "common/windriver_win.h"
#include "forms/form_win.h"
#include "os/files_win.h"
#include "os/registry_win.h"
#include "wizard/insttype_win.h"

using testing_support::ReadFileBytes;
using testing_support::TestPackage;
using testing_support::WriteFileBytes;

namespace {

constexpr int kTimeout = 20000;

// The uninstaller's wizard, in the process pid.
class Wizard {
 public:
  explicit Wizard(DWORD pid)
      : pid_(pid), form_(driver::WaitForWindowWithChild(pid_, TForm::kClassName, kIdBtnNext, kTimeout)) {}
  bool Found() const { return form_ != nullptr; }
  HWND Control(int id) const { return driver::ChildById(form_, id); }
  std::wstring Caption() const { return driver::Text(form_); }
  std::wstring Text(int id) const { return driver::Text(Control(id)); }
  bool Visible(int id) const { return IsWindowVisible(Control(id)) != 0; }
  void Click(int id) const { driver::Click(Control(id)); }
  bool WaitForCaption(const std::wstring& caption) const {
    return driver::WaitUntil([&] { return Caption() == caption; }, kTimeout);
  }
  bool WaitForText(int id, const std::wstring& text) const {
    return driver::WaitUntil([&] { return Text(id) == text; }, kTimeout);
  }
  driver::MessageDialogContent Answer(int button) const { return driver::AnswerMessageDialog(pid_, button, kTimeout); }
  // Waits for the process to end.
  bool WaitExit() const {
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid_);
    if (!h) return true;  // gone already
    const bool ended = WaitForSingleObject(h, kTimeout) == WAIT_OBJECT_0;
    CloseHandle(h);
    return ended;
  }

 private:
  DWORD pid_;
  HWND form_;
};

std::string ProgramsFolder() {
  wchar_t buf[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, buf))) return {};
  return enc::Narrow(buf) + "\\";
}

bool Exists(const std::string& path) { return FileAttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool KeyExists(const std::string& path) { return RegKey::Open(HKEY_CURRENT_USER, "Software\\" + path, KEY_READ).IsOpen(); }

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
    group = ProgramsFolder() + s().Title + "\\";
    WriteFileBytes(group + s().Title + ".lnk", "shortcut");
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
  DWORD StartUninstaller(const std::wstring& desktop = L"") {
    const std::wstring temp = enc::Wide(pkg.Temp());
    driver::Process p =
        driver::Process::Start(pkg.Exe(), "", {{L"TEMP", temp}, {L"TMP", temp}}, "", desktop);
    EXPECT_TRUE(p.WaitExit(kTimeout)) << "the installed program did not hand over";
    return driver::WaitForProgram(L"~zinstall.exe", kTimeout);
  }
  std::string InstallPath() { return s().ReadValue("InstallPath", "<none>"); }

  const std::string maker = testing_support::UniqueName("Maker");
  TestPackage pkg{"installed"};
  std::string group;
};

// Runs the deletion from page 7 to page 6 and closes the wizard there.
void RunToTheEnd(const Wizard& w, const std::string& title) {
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"削除"));
  EXPECT_EQ(w.Text(kIdLabelDelTitle), enc::Wide(title) + L" を削除しています");
  EXPECT_FALSE(w.Visible(kIdBtnNext));
  ASSERT_TRUE(w.WaitForCaption(L"完了"));
  EXPECT_EQ(w.Text(kIdLabelExit), L"アンインストールが完了しました");
  EXPECT_EQ(w.Text(kIdBtnAbort), L"閉じる(&C)");
  EXPECT_EQ(w.Text(kIdLabelDel), L"レジストリを削除しています...");
  w.Click(kIdBtnAbort);
  EXPECT_TRUE(w.WaitExit());
}

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
  w.Click(kIdBtnNext);
  // The first step shows while the shell removes the group and the work waits.
  EXPECT_TRUE(w.WaitForText(kIdLabelDel, L"ショートカットを削除しています..."));
  RunToTheEnd(w, inst.s().Title);
  EXPECT_FALSE(Exists(inst.Folder()));  // files, emptied folders, game.ini and the folder itself
  EXPECT_TRUE(fs::DirectoryExists(inst.pkg.Dir().Path()));
  EXPECT_FALSE(fs::DirectoryExists(inst.group));
  EXPECT_EQ(inst.InstallPath(), "<none>");
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
  ASSERT_TRUE(driver::WaitUntil([&] { return SendMessageW(w.Control(kIdCheckDelSave), BM_GETCHECK, 0, 0) == BST_CHECKED; },
                                kTimeout));
  RunToTheEnd(w, inst.s().Title);
  EXPECT_FALSE(Exists(inst.Folder()));
}

TEST(Uninstall, AbortBeforeTheGroupLeavesEverything) {
  Installation inst({"game.exe"});
  Wizard w(inst.StartUninstaller());
  ASSERT_TRUE(w.Found());
  // Both clicks wait in the queue: the work meets the Abort at its first input point.
  w.Click(kIdBtnNext);
  w.Click(kIdBtnAbort);
  const driver::MessageDialogContent c = w.Answer(IDYES);
  EXPECT_EQ(c.caption, L"確認");
  EXPECT_EQ(c.text, L"アンインストールを中断しますか？");
  EXPECT_TRUE(w.WaitExit());
  EXPECT_TRUE(fs::DirectoryExists(inst.group));
  EXPECT_TRUE(Exists(inst.Folder() + "game.exe"));
  EXPECT_TRUE(Exists(inst.Folder() + "install.dat"));
  EXPECT_EQ(inst.InstallPath(), inst.Folder());
}

TEST(Uninstall, AbortAfterTheGroupLeavesEveryFile) {
  Installation inst({"game.exe", "data\\a.bin"});
  Wizard w(inst.StartUninstaller());
  ASSERT_TRUE(w.Found());
  w.Click(kIdBtnNext);
  // The group is gone while the work waits; the Abort is met at the second input point.
  ASSERT_TRUE(driver::WaitUntil([&] { return !fs::DirectoryExists(inst.group); }, kTimeout));
  EXPECT_EQ(w.Text(kIdLabelDel), L"ショートカットを削除しています...");
  w.Click(kIdBtnAbort);
  EXPECT_EQ(w.Answer(IDYES).text, L"アンインストールを中断しますか？");
  EXPECT_TRUE(w.WaitExit());
  for (const char* name : {"game.exe", "data\\a.bin", "install.exe", "install.dat"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(Exists(inst.Folder() + name));
  }
  EXPECT_EQ(inst.InstallPath(), inst.Folder());
}
