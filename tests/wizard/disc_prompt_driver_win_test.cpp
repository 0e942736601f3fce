// The prompt for a later disc looks for it by itself, as a person swaps the
// disc or mounts its image on whatever drive the image tool picks. Which
// place holds the disc is judged natively; here only the window and drives.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>

#include "base/cleanup_guard.h"
#include "common/scenario_win.h"
#include "forms/message_dialog_win.h"
#include "wizard/insttype_win.h"

using driver::Process;
using namespace testing_support;

namespace {

// Installs disc 1 through the wizard up to the prompt for disc 2; put_in
// brings disc 2 while the prompt stands, which must then go without a click.
void InstallWithoutOk(char drive, const std::function<bool(const TestMedium&)>& put_in) {
  TestMedium m(2, drive);
  m.settings.ProgramSize = 20;
  m.settings.DiskProgramSize = {10, 10};
  m.AddLoose(0, "game.exe", std::string(1000, 'g'));
  m.AddLoose(1, "disc2\\extra.txt", "from disc 2");
  m.Write();
  Process p = m.StartWizard();
  const Wizard w(p);
  ASSERT_TRUE(w.Found() && w.WaitForCaption(L"インストールするCD-ROM"));
  w.Click(kIdBtnNext);
  WalkToConfirmPage(w, m.Target(), {});
  w.Click(kIdBtnNext);
  HWND prompt = driver::WaitForWindow(p.Id(), kMessageDialogClass, kTimeout);
  ASSERT_NE(prompt, nullptr);
  // The prompt leaves the copy page's status line and bar in view, and the
  // bar shows what disc 1 brought (1000 of the 1010 bytes expected).
  RECT at, status, bar, overlap;
  GetWindowRect(prompt, &at);
  GetWindowRect(w.Control(kIdLabelCopy), &status);
  GetWindowRect(w.Control(kIdProgress), &bar);
  EXPECT_EQ(GetWindow(prompt, GW_OWNER), w.Form());
  EXPECT_FALSE(IntersectRect(&overlap, &at, &status));
  EXPECT_FALSE(IntersectRect(&overlap, &at, &bar));
  EXPECT_EQ(SendMessageW(w.Control(kIdProgress), PBM_GETPOS, 0, 0), 100);
  EXPECT_EQ(SendMessageW(w.Control(kIdProgress), PBM_GETRANGE, FALSE, 0), 101);
  // Disc 1 is still in: the looks that pass meanwhile leave the prompt standing.
  Sleep(2500);
  ASSERT_TRUE(IsWindowVisible(prompt));
  ASSERT_TRUE(put_in(m));
  EXPECT_TRUE(driver::WaitUntil([&] { return !IsWindow(prompt) || !IsWindowVisible(prompt); }, kTimeout));
  ASSERT_TRUE(w.WaitForCaption(L"完了"));
  w.Click(kIdBtnAbort);
  EXPECT_TRUE(p.WaitExit(kTimeout));
  ExpectTree(m.Target(), {{"game.exe", std::string(1000, 'g')}, {"disc2\\extra.txt", "from disc 2"}, "install.dat"});
}

}  // namespace

// The drive letters here (O, P, R, U) are used by no other test: tests run side by side.
TEST(DiscPrompt, ClosesByItselfWhenTheDiscIsSwappedInTheSameDrive) {
  InstallWithoutOk('O', [](const TestMedium& m) { return m.Insert(1); });
}

TEST(DiscPrompt, FindsTheDiscOnACdDriveOfAnotherLetter) {
  const CleanupGuard unmount([] { MountCdDrive('R', ""); });
  InstallWithoutOk('P', [](const TestMedium& m) {
    return MountCdDrive('R', m.Disc(1)) && GetDriveTypeW(L"R:\\") == DRIVE_CDROM;
  });

  // A run without windows and without /discs= finds it there too.
  TestMedium other(2, 'U');
  other.settings.ProgramSize = 20;
  other.settings.DiskProgramSize = {10, 10};
  other.AddLoose(1, "disc2\\extra.txt", "from disc 2");
  other.Write();
  ASSERT_TRUE(PointDrive('R', other.Disc(1)));
  const Ended run = RunSilent(other, {other.Target(), "", other.Dir() / "log.txt"});
  ASSERT_EQ(run.code, 0) << run;
  EXPECT_TRUE(Has(run.log, "disc 2: looking in R:\\")) << run;
  ExpectTree(other.Target(), {{"disc2\\extra.txt", "from disc 2"}, "install.dat"});
}
