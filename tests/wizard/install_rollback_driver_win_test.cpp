// A first install that stops, however it stops, leaves the machine as it was:
// what the run created goes again, in the run itself or, after a kill, at the
// next install into the folder. Which records are undone is judged natively
// (install_journal_test.cpp); here the real files, group and registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/archive_fixture.h"
#include "common/scenario_win.h"
#include "forms/message_dialog_win.h"
#include "wizard/insttype_win.h"

using driver::Process;
using namespace testing_support;

namespace {

constexpr int32_t kOld = 0x5A213C40;

// The error box of a failed work, then Abort.
void ErrorThenAbort(const Wizard& w) {
  EXPECT_EQ(w.Answer(IDOK, kTimeout).caption, L"エラー");
  w.Click(kIdBtnAbort);
  w.Answer(IDYES);
}

void AbortWhileCopying(const Wizard& w) {
  ASSERT_TRUE(driver::WaitUntil([&] { return w.Text(kIdLabelCopy).find(L"をコピー中") != std::wstring::npos; }, kTimeout));
  w.Click(kIdBtnAbort);
  w.Answer(IDYES);
}

// One byte of the entry holding marker changed behind its checksum.
void Damage(const TestMedium& m, const std::string& marker) {
  std::string archive = ReadFileBytes(m.Disc(0) + "game.dat");
  archive[archive.find(marker)] ^= 0x20;
  WriteFileBytes(m.Disc(0) + "game.dat", archive);
}

}  // namespace

TEST(InstallRollback, AFirstInstallStoppedAtAnyStepLeavesTheMachineAsItWas) {
  const struct {
    const char* what;
    int discs;
    bool data;
    std::function<void(TestMedium&)> prepare;  // before the medium is written
    std::function<void(const TestMedium&)> inject;
    std::function<void(const Wizard&)> stop;
  } rows[] = {
      {"中断 then はい at the disc-2 prompt", 2, false,
       [](TestMedium& m) { m.settings.DiskProgramSize = {10, 10}; },
       nullptr,
       [](const Wizard& w) {
         w.Answer(IDABORT);
         w.Answer(IDYES);
       }},
      {"Abort while a loose file is copied", 1, false,
       [](TestMedium& m) {
         // Many small files: the copy takes seconds under Wine, large ones a blink.
         for (int i = 0; i < 1500; ++i) m.AddLoose(0, Format("files\\f%04d.txt", i), std::string(100, 'x'));
       },
       nullptr, AbortWhileCopying},
      {"a damaged separate file", 1, false,
       [](TestMedium& m) {
         m.settings.FromArchive = 1;
         m.AddEntry(0, {"install.exe", "uninstaller", false, kOld, 1});
         m.AddEntry(0, {"late\\damaged.txt", "original bytes", false, kOld, 1});
       },
       [](const TestMedium& m) { Damage(m, "original bytes"); }, ErrorThenAbort},
      {"the data file fails its verification", 1, true,
       [](TestMedium& m) {
         m.settings.DataSize = m.settings.DiskDataSize[0] = 100;
         m.AddEntry(0, {"a.txt", "entry bytes", false, kOld, 0});
       },
       [](const TestMedium& m) { Damage(m, "entry bytes"); },
       [](const Wizard& w) { EXPECT_EQ(w.Answer(IDOK, kTimeout).caption, L"警告"); }},
      {"the program group cannot be made, after install.dat", 1, false, nullptr,
       // A file where the group's folder must go.
       [](const TestMedium& m) { WriteFileBytes(RemoveTrailingDelimiter(m.GroupFolder()), "in the way"); },
       ErrorThenAbort},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TestMedium m(row.discs);
    m.settings.ReadmeFile = "readme.txt";
    m.AddLoose(0, "game.exe", "game");
    m.AddLoose(0, "readme.txt", "read me");
    if (row.prepare) row.prepare(m);
    m.Write();
    if (row.inject) row.inject(m);
    const std::string target = m.Target(), log = m.Dir() / "run.log";
    const MachineSnapshot before = SnapshotMachine(m.settings, target);

    Process p = m.StartWizard(log);
    Wizard w(p);
    if (row.discs > 1) {
      ASSERT_TRUE(w.WaitForCaption(L"インストールするCD-ROM"));
      w.Click(kIdBtnNext);
    }
    WalkToConfirmPage(w, target, {row.data});
    w.Click(kIdBtnNext);
    row.stop(w);
    ASSERT_TRUE(p.WaitExit(kTimeout));
    ExpectMachineAsIn(before, m.settings, target);
    // The run made the install folder and the one above it: both went again.
    EXPECT_FALSE(Exists(ExtractFileDir(RemoveTrailingDelimiter(target))));
    const std::string logged = LogText(log);
    EXPECT_TRUE(Has(logged, "removed the folder ")) << logged;
    fs::EraseFile(RemoveTrailingDelimiter(m.GroupFolder()));
  }
}

TEST(InstallRollback, AKilledInstallIsUndoneByTheNextInstallIntoItsFolder) {
  TestMedium m(2);
  m.settings.DiskProgramSize = {10, 10};
  m.AddLoose(0, "game.exe", "game");
  for (int i = 0; i < 4; ++i) m.AddLoose(0, Format("sub\\part%02d.bin", i), std::string(1 << 20, 'p'));
  m.Write();
  const std::string target = m.Target(), log = m.Dir() / "run.log";
  const MachineSnapshot before = SnapshotMachine(m.settings, target);
  // Up to the prompt for disc 2: disc 1 copied, the work waiting. Killed there.
  const auto to_the_work = [&](const Wizard& w) {
    StartCopyFromMediaPage(w, target);
  };
  {
    Process p = m.StartWizard();
    Wizard w(p);
    to_the_work(w);
    ASSERT_NE(driver::WaitForWindow(p.Id(), kMessageDialogClass, kTimeout), nullptr);
    p.Kill();
    ASSERT_TRUE(p.WaitExit(kTimeout));
  }
  ASSERT_TRUE(Exists(target + "sub\\part03.bin"));
  ASSERT_TRUE(Exists(target + "install.~jn"));

  Process p = m.StartWizard(log);
  Wizard w(p);
  to_the_work(w);
  // The clean-up is done before the person is told, and before anything new is written.
  ASSERT_NE(driver::WaitForWindow(p.Id(), kMessageDialogClass, kTimeout), nullptr);
  ExpectMachineAsIn(before, m.settings, target);
  EXPECT_TRUE(Has(enc::Narrow(w.Answer(IDOK).text), "前回のインストールが途中で終わっていた"));
  // This run too stops, at the same prompt, and undoes itself.
  EXPECT_TRUE(Has(enc::Narrow(w.Answer(IDABORT).text), "ディスク2"));
  w.Answer(IDYES);
  ASSERT_TRUE(p.WaitExit(kTimeout));
  ExpectMachineAsIn(before, m.settings, target);
  const std::string logged = LogText(log);
  EXPECT_TRUE(Has(logged, "did not end: removing what it created")) << logged;
  EXPECT_TRUE(Has(logged, "removed sub\\part00.bin")) << logged;
}

TEST(InstallRollback, TheUninstallerRemovesTheFolderAboveOnlyWhenTheInstallMadeIt) {
  for (const bool existed : {false, true}) {
    SCOPED_TRACE(existed ? "there before the install" : "made by the install");
    TestMedium m;
    m.settings.CopyFiles.push_back("install.exe");
    m.AddLoose(0, "game.exe", "game");
    m.Write();
    const std::string target = m.Target(), above = ExtractFileDir(RemoveTrailingDelimiter(m.Target()));
    if (existed) {
      ASSERT_TRUE(fs::MakeDirectories(above));
    }
    const Ended installed = RunSilent(m, {target});
    ASSERT_EQ(installed.code, 0) << installed;
    const std::string log = m.Dir() / "uninstall.log";
    const Ended removed = RunInstalled(target, "/silent " + LogSwitch(log), m.Temp(), log);
    ASSERT_EQ(removed.code, 0) << removed;
    ExpectUninstalled(m.settings, target);
    EXPECT_EQ(Exists(above), existed) << removed;
  }
}

TEST(InstallRollback, AKilledRepairLeavesTheInstallationAndTheUninstallerRemovesWhatItAdded) {
  TestMedium m(2);
  m.settings.DiskProgramSize = {10, 10};
  m.settings.CopyFiles.push_back("install.exe");
  m.AddLoose(0, "game.exe", "game");
  m.AddLoose(1, "disc2.txt", "from disc 2");
  m.Write();
  const std::string target = m.Target();
  const Ended installed = RunSilent(m, {target, "", "", "\"/discs=" + m.Disc(1) + "\""});
  ASSERT_EQ(installed.code, 0) << installed;
  // The medium gains a file; the repair copies disc 1 again and is killed at the prompt for disc 2.
  m.AddLoose(0, "added.txt", "new on the medium");
  m.Write();
  Process p = m.StartWizard();
  Wizard w(p);
  StartCopyFromMediaPage(w, target);
  ASSERT_NE(driver::WaitForWindow(p.Id(), kMessageDialogClass, kTimeout), nullptr);
  p.Kill();
  ASSERT_TRUE(p.WaitExit(kTimeout));
  ASSERT_TRUE(Exists(target + "added.txt"));
  // The installation's records are the complete install's: they do not know the added file.
  EXPECT_FALSE(Has(ReadFileBytes(target + "install.dat"), "added.txt"));

  const std::string log = m.Dir() / "uninstall.log";
  const Ended removed = RunInstalled(target, "/silent " + LogSwitch(log), m.Temp(), log);
  ASSERT_EQ(removed.code, 0) << removed;
  EXPECT_TRUE(Has(removed.log, "removed added.txt")) << removed;
  ExpectUninstalled(m.settings, target);
}

TEST(InstallRollback, ARemovalTheSystemRefusesIsNamedAndTheJournalStaysForTheNextRun) {
  TestMedium m(2);
  m.settings.DiskProgramSize = {10, 10};
  m.AddLoose(0, "game.exe", "game");
  m.Write();
  const std::string target = m.Target(), log = m.Dir() / "run.log";
  Process p = m.StartWizard(log);
  Wizard w(p);
  StartCopyFromMediaPage(w, target);
  ASSERT_NE(driver::WaitForWindow(p.Id(), kMessageDialogClass, kTimeout), nullptr);
  // Held open, shared with nobody, while the run undoes itself.
  HANDLE held = CreateFileW(enc::Wide(target + "game.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  w.Answer(IDABORT);
  w.Answer(IDYES);
  const driver::MessageDialogContent refused = w.Answer(IDOK);
  CloseHandle(held);
  EXPECT_EQ(refused.caption, L"警告");
  EXPECT_TRUE(Has(enc::Narrow(refused.text), "game.exe")) << enc::Narrow(refused.text);
  ASSERT_TRUE(p.WaitExit(kTimeout));
  const std::string logged = LogText(log);
  EXPECT_TRUE(Has(logged, "not removed: ") && Has(logged, "game.exe (")) << logged;
  EXPECT_FALSE(Has(logged, "removed game.exe")) << logged;
  EXPECT_TRUE(Exists(target + "install.~jn"));
}
