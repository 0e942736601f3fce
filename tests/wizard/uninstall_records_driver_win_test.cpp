// The uninstaller where the system reads a name otherwise than its text: a
// title the shell's group service trims, a settings file another program
// holds open, the uninstaller's own image running while its copy works.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/fs.h"
#include "common/medium_win.h"
#include "common/package_win.h"
#include "common/temp_dir.h"
#include "common/wizard_win.h"
#include "install/uninstall_entry_win.h"
#include "os/registry_win.h"

using testing_support::ReadFileBytes;
using testing_support::TestPackage;
using testing_support::Wizard;

namespace {

constexpr int kTimeout = Wizard::kTimeout;

// An installation as the copy work leaves it: the recorded files with the
// uninstaller and its settings, InstallPath, the installed-programs entry and
// the program group with the game's shortcut.
struct Installed {
  explicit Installed(const std::string& title = "") {
    if (!title.empty()) s().Title = title;
    s().UninstallMode = 1;
    for (const char* name : {"game.exe", "data\\a.bin", "install.exe", "install.dat"}) {
      if (!fs::FileExists(Folder() + name)) testing_support::WriteFileBytes(Folder() + name, name);
      s().InstalledFiles.push_back(name);
    }
    pkg.WriteSettings();
    s().WriteValue("InstallPath", Folder());
    EXPECT_TRUE(WriteUninstallEntry(s(), Folder(), 1));
    group = testing_support::ProgramsFolder() + s().Title + "\\";
    EXPECT_TRUE(testing_support::WriteShortcut(group + s().Title + ".lnk", Folder() + "game.exe"));
  }
  ~Installed() {
    testing_support::RemoveTree(group);
    DeleteUninstallEntry(s().Title);
  }
  TZefoInstallSet& s() { return pkg.settings; }
  const std::string& Folder() const { return pkg.Folder(); }
  std::string Log() const { return enc::Utf8ToSjis(ReadFileBytes(log)); }
  // The silent uninstall with its log; its exit code.
  DWORD Silent() {
    driver::Process p = pkg.Start("/silent \"/log=" + log + "\"");
    return p.WaitExit(kTimeout) ? p.ExitCode() : 999u;
  }

  TestPackage pkg{"installed"};
  std::string group;
  const std::string log = pkg.Dir() / "uninstall.log";
};

}  // namespace

TEST(UninstallRecords, ATitleTheShellWouldTrimNeverReachesAnotherGroup) {
  // Another program's group, and an earlier installation titled with a blank before that group's name.
  const std::string vendor = testing_support::UniqueName("Vendor");
  const std::string other = testing_support::ProgramsFolder() + vendor + "\\";
  ASSERT_TRUE(testing_support::WriteShortcut(other + "other.lnk", "C:\\windows\\notepad.exe"));
  {
    Installed inst(" " + vendor);
    ASSERT_TRUE(fs::DirectoryExists(inst.group));
    ASSERT_EQ(inst.Silent(), 0u) << inst.Log();
    EXPECT_FALSE(fs::DirectoryExists(inst.group)) << inst.Log();
    EXPECT_FALSE(fs::DirectoryExists(inst.Folder()));
  }
  EXPECT_TRUE(fs::FileExists(other + "other.lnk"));
  testing_support::RemoveTree(other);

  // A package with such a title is refused before any work, as instdat check refuses it.
  TestPackage medium;
  medium.settings.Title = " StartUp";
  medium.WriteSettings();
  driver::Process p = medium.Start("/silent");
  ASSERT_TRUE(p.WaitExit(kTimeout));
  EXPECT_EQ(p.ExitCode(), 9u);
}

TEST(UninstallRecords, AHeldSettingsFileKeepsTheUninstallerTheEntryAndTheRecords) {
  Installed inst;
  HANDLE held = CreateFileW(enc::Wide(inst.Folder() + "install.dat").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  driver::Process started = inst.pkg.Start();
  ASSERT_TRUE(started.WaitExit(kTimeout));
  const Wizard w(driver::WaitForProgram(L"~zinstall.exe", kTimeout));
  ASSERT_TRUE(w.Found());
  w.Click(kIdBtnNext);
  const driver::MessageDialogContent c = w.Answer(IDOK);
  EXPECT_NE(c.text.find(L"\r\ninstall.dat"), std::wstring::npos) << c.text;
  ASSERT_TRUE(w.WaitForCaption(L"完了"));
  EXPECT_EQ(w.Text(kIdLabelExit), L"アンインストールは完了していません");
  w.Click(kIdBtnAbort);
  EXPECT_FALSE(fs::FileExists(inst.Folder() + "game.exe"));
  // What lets a second run finish stays together: the uninstaller the entry names, its settings, the values.
  EXPECT_TRUE(fs::FileExists(inst.Folder() + "install.exe"));
  EXPECT_TRUE(fs::FileExists(inst.Folder() + "install.dat"));
  EXPECT_EQ(inst.pkg.Value("InstallPath"), inst.Folder());
  EXPECT_EQ(UninstallEntryLocation(inst.s().Title), inst.Folder());
  std::string command;
  RegKey::Open(HKEY_CURRENT_USER,
               "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + UninstallEntryName(inst.s().Title), KEY_READ)
      .QueryString("UninstallString", &command);
  EXPECT_EQ(command, "\"" + inst.Folder() + "install.exe\"");

  CloseHandle(held);
  ASSERT_EQ(inst.Silent(), 0u) << inst.Log();
  EXPECT_FALSE(fs::DirectoryExists(inst.Folder()));
  EXPECT_EQ(inst.pkg.Value("InstallPath"), "<none>");
  EXPECT_FALSE(UninstallEntryLocation(inst.s().Title).has_value());
}

TEST(UninstallRecords, ALoggedWizardMovesItsRunningUninstallerOutAndFinishes) {
  Installed inst;
  // The program started waits for its temporary copy, so its image runs in the folder throughout.
  driver::Process started = inst.pkg.Start("\"/log=" + inst.log + "\"");
  const Wizard w(driver::WaitForProgram(L"~zinstall.exe", kTimeout));
  ASSERT_TRUE(w.Found());
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"完了"));
  EXPECT_EQ(w.Text(kIdLabelExit), L"アンインストールが完了しました") << inst.Log();
  w.Click(kIdBtnAbort);
  ASSERT_TRUE(started.WaitExit(kTimeout));
  EXPECT_EQ(started.ExitCode(), 0u) << inst.Log();
  EXPECT_FALSE(fs::DirectoryExists(inst.Folder())) << inst.Log();
  EXPECT_NE(inst.Log().find("moved the running program install.exe out of the folder"), std::string::npos) << inst.Log();
  EXPECT_FALSE(UninstallEntryLocation(inst.s().Title).has_value());
}

TEST(UninstallRecords, AnUninstallerWhoseSettingsFileIsGoneRemovesWhatItsEntryNames) {
  // As a run stopped half-way by an earlier version, or a hand that deleted install.dat, leaves it.
  Installed inst;
  ASSERT_TRUE(DeleteFileW(enc::Wide(inst.Folder() + "install.dat").c_str()));
  ASSERT_EQ(inst.Silent(), 0u) << inst.Log();
  EXPECT_NE(inst.Log().find("install.dat is missing"), std::string::npos) << inst.Log();
  EXPECT_FALSE(fs::FileExists(inst.Folder() + "install.exe")) << inst.Log();
  EXPECT_EQ(inst.pkg.Value("InstallPath"), "<none>");
  EXPECT_FALSE(UninstallEntryLocation(inst.s().Title).has_value());
  EXPECT_FALSE(fs::DirectoryExists(inst.group));
  // Only the uninstaller is known now: the other files were recorded in the settings file alone.
  EXPECT_TRUE(fs::FileExists(inst.Folder() + "game.exe"));
}
