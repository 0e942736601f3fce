// The uninstaller where the system reads a name otherwise than its text: a
// title the shell's group service trims, a settings file another program
// holds open, the uninstaller's own image running while its copy works, an
// uninstaller whose settings file is gone.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/fs.h"
#include "common/package_win.h"
#include "common/scenario_win.h"
#include "common/temp_dir.h"
#include "install/uninstall_entry_win.h"

using namespace testing_support;

namespace {

// An installation as the copy work leaves it, laid out by hand (a title the
// installer now refuses can only be made so): the recorded files with the
// uninstaller and its settings, InstallPath, the installed-programs entry and
// the program group with the game's shortcut.
struct Installed {
  explicit Installed(const std::string& title = "") {
    if (!title.empty()) s().Title = title;
    s().UninstallMode = 1;
    for (const char* name : {"game.exe", "data\\a.bin", "install.exe", "install.dat"}) {
      if (!Exists(Folder() + name)) WriteFileBytes(Folder() + name, name);
      s().InstalledFiles.push_back(name);
    }
    pkg.WriteSettings();
    s().WriteValue("InstallPath", Folder());
    EXPECT_TRUE(WriteUninstallEntry(s(), Folder(), 1));
    EXPECT_TRUE(WriteShortcut(ProgramsFolder() + s().Title + "\\" + s().Title + ".lnk", Folder() + "game.exe"));
  }
  ~Installed() {
    RemoveTree(ProgramsFolder() + s().Title);
    DeleteUninstallEntry(s().Title);
  }
  TZefoInstallSet& s() { return pkg.settings; }
  const std::string& Folder() const { return pkg.Folder(); }
  Ended Silent() const { return RunInstalled(Folder(), "/silent " + LogSwitch(log), pkg.Temp(), log); }

  TestPackage pkg{"installed"};
  const std::string log = pkg.Dir() / "uninstall.log";
};

}  // namespace

TEST(UninstallRecords, ATitleTheShellWouldTrimNeverReachesAnotherGroup) {
  // Another program's group, and an earlier installation titled with a blank before that group's name.
  const std::string vendor = UniqueName("Vendor");
  ASSERT_TRUE(WriteShortcut(ProgramsFolder() + vendor + "\\other.lnk", "C:\\windows\\notepad.exe"));
  {
    Installed inst(" " + vendor);
    const Ended run = inst.Silent();
    ASSERT_EQ(run.code, 0) << run;
    ExpectUninstalled(inst.s(), inst.Folder());
  }
  EXPECT_TRUE(Exists(ProgramsFolder() + vendor + "\\other.lnk"));
  RemoveTree(ProgramsFolder() + vendor);

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
  const Uninstaller u = StartUninstaller(inst.Folder(), inst.pkg.Temp());
  const Wizard w(u.copy);
  ASSERT_TRUE(w.Found());
  w.Click(kIdBtnNext);
  const driver::MessageDialogContent c = w.Answer(IDOK);
  EXPECT_NE(c.text.find(L"\r\ninstall.dat"), std::wstring::npos) << c.text;
  ASSERT_TRUE(w.WaitForCaption(L"完了"));
  EXPECT_EQ(w.Text(kIdLabelExit), L"アンインストールは完了していません");
  w.Click(kIdBtnAbort);
  // What lets a second run finish stays together: the uninstaller the entry names, its settings, the values.
  ExpectTree(inst.Folder(), {"install.dat", "install.exe"});
  EXPECT_EQ(inst.pkg.Value("InstallPath"), inst.Folder());
  ExpectUninstallEntry(inst.s(), inst.Folder());

  CloseHandle(held);
  const Ended again = inst.Silent();
  ASSERT_EQ(again.code, 0) << again;
  ExpectUninstalled(inst.s(), inst.Folder());
}

TEST(UninstallRecords, ALoggedWizardMovesItsRunningUninstallerOutAndFinishes) {
  Installed inst;
  // The program started waits for its temporary copy, so its image runs in the folder throughout.
  const Uninstaller u = StartUninstaller(inst.Folder(), inst.pkg.Temp(), LogSwitch(inst.log));
  const Wizard w(u.copy);
  ASSERT_TRUE(w.Found());
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"完了"));
  EXPECT_EQ(w.Text(kIdLabelExit), L"アンインストールが完了しました") << LogText(inst.log);
  w.Click(kIdBtnAbort);
  ASSERT_TRUE(u.started.WaitExit(kTimeout));
  EXPECT_EQ(u.started.ExitCode(), 0u) << LogText(inst.log);
  ExpectUninstalled(inst.s(), inst.Folder());
  EXPECT_TRUE(Has(LogText(inst.log), "moved the running program install.exe out of the folder")) << LogText(inst.log);
}

TEST(UninstallRecords, AnUninstallerWhoseSettingsFileIsGoneRemovesWhatItsEntryNames) {
  // As a run stopped half-way by an earlier version, or a hand that deleted install.dat, leaves it.
  Installed inst;
  ASSERT_TRUE(DeleteFileW(enc::Wide(inst.Folder() + "install.dat").c_str()));
  const Ended run = inst.Silent();
  ASSERT_EQ(run.code, 0) << run;
  EXPECT_TRUE(Has(run.log, "install.dat is missing")) << run;
  EXPECT_EQ(inst.pkg.Value("InstallPath"), "<none>");
  EXPECT_FALSE(UninstallEntryLocation(inst.s().Title).has_value());
  EXPECT_FALSE(Exists(ProgramsFolder() + inst.s().Title));
  // Only the uninstaller is known now: the other files were listed in the settings file alone.
  ExpectTree(inst.Folder(), {"data\\a.bin", "game.exe"});
}
