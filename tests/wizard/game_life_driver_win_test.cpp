// A game's whole life under Wine, worked from outside as a user would: a
// package of two discs installed from a medium drive by the real copy work,
// the installed game started by the launcher on the medium (the program on
// the medium keeps out of its way while it runs), the installation removed
// by its own uninstaller through the temporary copy, and the launcher then
// knowing the game is gone.
#include <windows.h>

#include <exception>
#include <string>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/archive_fixture.h"
#include "common/medium_win.h"
#include "common/package_win.h"
#include "common/scenario_win.h"
#include "forms/message_dialog_win.h"
#include "launcher/running_game.h"
#include "launcher/start_win.h"

using driver::Process;
using testing_support::kTimeout;
using testing_support::ReadFileBytes;
using testing_support::TestMedium;
using testing_support::Wizard;
using testing_support::WriteFileBytes;

namespace {

std::string TestGameExe() { return driver::HostPath(ZI_TEST_GAME_EXE); }

HWND WaitForLauncher(const Process& p) {
  return driver::WaitForWindowWithChild(p.Id(), TForm::kClassName, kIdBtnStart, kTimeout);
}

// The wizard of the temporary copy a program handed over to.
DWORD WaitForTemporaryCopy() { return driver::WaitForProgram(L"~zinstall.exe", kTimeout); }

}  // namespace

TEST(GameLife, InstallPlayAndUninstallFromAMediumDrive) {
  TestMedium m(2, 'N');
  TZefoInstallSet& s = m.settings;
  s.ProgramSize = 100;
  s.DataSize = 100;
  s.DiskProgramSize = {50, 50};
  s.DiskDataSize = {50, 50};
  s.CopyFiles.push_back("install.exe");  // the uninstaller goes with the game
  m.AddLoose(0, "game.exe", ReadFileBytes(TestGameExe()));
  m.AddLoose(1, "disc2\\extra.txt", "from disc 2");
  m.AddEntry(0, {"a.txt", "a", false, 0x5A213C40, 0});
  m.AddEntry(1, {"b.txt", "b", false, 0x5A213C40, 0});
  m.Write();
  const std::string target = m.Target();
  const std::string marker = m.Dir() / "marker.txt";
  const std::map<std::wstring, std::wstring> env = {
      {L"TEMP", enc::Wide(m.Temp())}, {L"TMP", enc::Wide(m.Temp())}, {L"ZI_GAME_MARKER", enc::Wide(marker)}};
  auto start_from_medium = [&] { return Process::Start(m.Root() + "install.exe", "", env, m.Root()); };

  // Install: the launcher on the medium hands over to its temporary copy.
  {
    Process launcher = start_from_medium();
    HWND form = WaitForLauncher(launcher);
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(IsWindowEnabled(driver::ChildById(form, kIdBtnStart)));
    driver::Click(driver::ChildById(form, kIdBtnInstall));
    ASSERT_TRUE(launcher.WaitExit(kTimeout));
    const Wizard w(WaitForTemporaryCopy());
    ASSERT_TRUE(w.Found());
    ASSERT_TRUE(w.WaitForCaption(L"インストールするCD-ROM"));
    w.Click(kIdBtnNext);
    ASSERT_NO_FATAL_FAILURE(testing_support::WalkToConfirmPage(w, target, {true}));
    w.Click(kIdBtnNext);
    HWND prompt = driver::WaitForWindow(w.Pid(), kMessageDialogClass, kTimeout);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(driver::ReadMessageDialog(prompt).text, L"ディスク2を入れてからOKをクリックしてください");
    // The prompt sees the disc and goes by itself: no OK to race it.
    ASSERT_TRUE(m.Insert(1));
    ASSERT_TRUE(w.WaitForCaption(L"完了", 60000));
    w.Click(kIdBtnAbort);
    ASSERT_TRUE(driver::WaitNoProgram(L"~zinstall.exe", kTimeout));
  }
  ASSERT_EQ(ReadFileBytes(target + "game.exe"), ReadFileBytes(TestGameExe()));
  ASSERT_EQ(s.ReadValue("InstallPath", "<none>"), target);
  ASSERT_TRUE(fs::DirectoryExists(m.GroupFolder()));
  // The user closes the group's folder window the installation opened (while
  // Wine's shell shows it, its folder cannot be removed).
  HWND group_window = driver::WaitForWindowAnyProcess(nullptr, enc::Wide(s.Title).c_str(), kTimeout);
  ASSERT_NE(group_window, nullptr);
  PostMessageW(group_window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(group_window); }, kTimeout));

  // Play: the launcher on the medium (disc 2 is in) starts the installed game.
  {
    Process launcher = start_from_medium();
    HWND form = WaitForLauncher(launcher);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(s.ReadValue("CDDrive", ""), "N:");
    HWND start = driver::ChildById(form, kIdBtnStart);
    ASSERT_TRUE(IsWindowEnabled(start));
    driver::Click(start);
    ASSERT_TRUE(launcher.WaitExit(kTimeout));
  }
  // The game renames its marker into place; for a moment after the rename the
  // game's handle still holds it and a plain open is refused, so wait until it reads.
  std::string marker_text;
  ASSERT_TRUE(driver::WaitUntil(
      [&] {
        try {
          marker_text = ReadFileBytes(marker);
          return true;
        } catch (const std::exception&) {
          return false;
        }
      },
      kTimeout))
      << "the game did not start";
  EXPECT_EQ(marker_text, "folder " + target + "\r\nmutex " + RunningGameMutexName(target) + "\r\n");
  // While it runs, the program on the medium ends at once and silently.
  {
    Process again = start_from_medium();
    ASSERT_TRUE(again.WaitExit(kTimeout));
    EXPECT_EQ(again.ExitCode(), 0u);
    EXPECT_TRUE(driver::TopWindows(again.Id()).empty());
  }
  WriteFileBytes(marker + ".stop", "");
  ASSERT_TRUE(driver::WaitNoProgram(L"game.exe", kTimeout));

  // Uninstall: the program in the install folder hands over to its temporary copy.
  {
    const testing_support::Uninstaller uninstaller = testing_support::StartUninstaller(target, m.Temp());
    ASSERT_FALSE(uninstaller.started.Running());
    const Wizard w(uninstaller.copy);
    ASSERT_TRUE(w.Found());
    ASSERT_TRUE(w.WaitForCaption(L"アンインストール"));
    w.Click(kIdBtnNext);
    ASSERT_TRUE(w.WaitForCaption(L"完了", 60000));
    EXPECT_EQ(w.Text(kIdLabelExit), L"アンインストールが完了しました");
    w.Click(kIdBtnAbort);
    ASSERT_TRUE(driver::WaitNoProgram(L"~zinstall.exe", kTimeout));
  }
  testing_support::ExpectUninstalled(s, target);
  // The folder above, made by the install, goes with it; never the one above that, there before.
  const std::string above = ExtractFileDir(RemoveTrailingDelimiter(target));
  EXPECT_FALSE(fs::DirectoryExists(above));
  EXPECT_TRUE(fs::DirectoryExists(ExtractFileDir(above)));

  // The launcher on the medium: the game is no longer there to start.
  Process launcher = start_from_medium();
  HWND form = WaitForLauncher(launcher);
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(IsWindowEnabled(driver::ChildById(form, kIdBtnStart)));
  EXPECT_TRUE(IsWindowEnabled(driver::ChildById(form, kIdBtnInstall)));
  driver::Click(driver::ChildById(form, kIdBtnExit));
  EXPECT_TRUE(launcher.WaitExit(kTimeout));
}
