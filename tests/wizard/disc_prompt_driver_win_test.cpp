// The prompt for a later disc looks for it by itself, as a person swaps the
// disc or mounts its image on whatever drive the image tool picks: the work
// goes on without OK. Which place holds the disc is judged natively; here
// only the window and the system's drives.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/cleanup_guard.h"
#include "base/encoding.h"
#include "base/fs.h"
#include "common/medium_win.h"
#include "common/wizard_win.h"
#include "forms/message_dialog_win.h"
#include "wizard/insttype_win.h"

using driver::Process;
using testing_support::ReadFileBytes;
using testing_support::TestMedium;
using testing_support::Wizard;

namespace {

constexpr int kTimeout = 30000;
// This file's drive letters (O, P, U and this one) are used by no other
// test: the tests run side by side.
constexpr char kCdDrive = 'R';

void TwoDiscs(TestMedium& m) {
  m.settings.ProgramSize = 20;
  m.settings.DiskProgramSize = {10, 10};
  m.AddLoose(0, "game.exe", "game");
  m.AddLoose(1, "disc2\\extra.txt", "from disc 2");
  m.Write();
}

// Through the wizard to the prompt for disc 2, which it returns.
HWND WalkToDiscPrompt(const TestMedium& m, const Wizard& w) {
  if (!w.Found() || !w.WaitForCaption(L"インストールするCD-ROM")) return nullptr;
  w.Click(kIdBtnNext);
  testing_support::WalkToConfirmPage(w, m.Target(), {});
  w.Click(kIdBtnNext);
  HWND prompt = driver::WaitForWindow(w.Pid(), kMessageDialogClass, kTimeout);
  if (prompt) EXPECT_EQ(driver::ReadMessageDialog(prompt).text, L"ディスク2を入れてからOKをクリックしてください");
  return prompt;
}

// The prompt goes without a click, and the work ends on the last page with disc 2's file.
void ExpectPromptClosesAndInstallEnds(const TestMedium& m, const Wizard& w, const Process& p, HWND prompt) {
  EXPECT_TRUE(driver::WaitUntil([&] { return !IsWindow(prompt) || !IsWindowVisible(prompt); }, kTimeout));
  ASSERT_TRUE(w.WaitForCaption(L"完了", 60000));
  w.Click(kIdBtnAbort);
  EXPECT_TRUE(p.WaitExit(kTimeout));
  EXPECT_EQ(ReadFileBytes(m.Target() + "disc2\\extra.txt"), "from disc 2");
  EXPECT_EQ(ReadFileBytes(m.Target() + "game.exe"), "game");
}

}  // namespace

TEST(DiscPrompt, ClosesByItselfWhenTheDiscIsSwappedInTheSameDrive) {
  TestMedium m(2, 'O');
  TwoDiscs(m);
  Process p = m.StartWizard();
  const Wizard w(p);
  HWND prompt = WalkToDiscPrompt(m, w);
  ASSERT_NE(prompt, nullptr);
  // Disc 1 is still in: the looks that pass meanwhile leave the prompt standing.
  Sleep(2500);
  EXPECT_TRUE(IsWindowVisible(prompt));
  ASSERT_TRUE(m.Insert(1));
  ExpectPromptClosesAndInstallEnds(m, w, p, prompt);
}

TEST(DiscPrompt, FindsTheDiscOnACdDriveOfAnotherLetter) {
  TestMedium m(2, 'P');
  TwoDiscs(m);
  Process p = m.StartWizard();
  const Wizard w(p);
  HWND prompt = WalkToDiscPrompt(m, w);
  ASSERT_NE(prompt, nullptr);
  const CleanupGuard unmount([] { testing_support::MountCdDrive(kCdDrive, ""); });
  ASSERT_TRUE(testing_support::MountCdDrive(kCdDrive, m.Disc(1)));
  ASSERT_EQ(GetDriveTypeW(L"R:\\"), static_cast<UINT>(DRIVE_CDROM));
  ExpectPromptClosesAndInstallEnds(m, w, p, prompt);

  // A run without windows and without folders to look in finds it there too.
  TestMedium other(2, 'U');
  TwoDiscs(other);
  ASSERT_TRUE(testing_support::PointDrive(kCdDrive, other.Disc(1)));
  const std::string log = other.Dir() / "log.txt";
  const Process silent = other.Start("/silent \"/dir=" + other.Target() + "\" \"/log=" + log + "\"");
  ASSERT_TRUE(silent.WaitExit(kTimeout));
  const std::string text = fs::FileExists(log) ? enc::Utf8ToSjis(ReadFileBytes(log)) : "<no log>";
  EXPECT_EQ(silent.ExitCode(), 0u) << text;
  EXPECT_NE(text.find("disc 2: looking in R:\\"), std::string::npos) << text;
  EXPECT_EQ(ReadFileBytes(other.Target() + "disc2\\extra.txt"), "from disc 2");
}
