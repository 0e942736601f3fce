// Installs that cannot finish: each stops with a clear message, writes nothing
// outside the install folder and records nothing, so that start-up never
// takes a half-installed game for installed.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/archive_fixture.h"
#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/scenario_win.h"

using driver::Process;
using testing_support::ExpectNothingRecorded;
using testing_support::kTimeout;
using testing_support::ReadFileBytes;
using testing_support::TestMedium;
using testing_support::Wizard;
using testing_support::WriteFileBytes;

namespace {

constexpr int32_t kOld = 0x5A213C40;

// Runs the wizard of the medium to "インストール" and clicks it.
void StartInstall(const Wizard& w, const std::string& target, bool data) {
  testing_support::WalkToConfirmPage(w, target, {data});
  if (testing::Test::HasFatalFailure()) return;
  w.Click(kIdBtnNext);
}

// An error of the work: shown in the error box; the wizard stays on the copy
// page with only Abort, which then ends it.
std::wstring ErrorThenAbort(const Wizard& w, const Process& p) {
  const driver::MessageDialogContent error = w.Answer(IDOK, kTimeout);
  EXPECT_EQ(error.caption, L"エラー");
  EXPECT_EQ(w.Caption(), L"ファイルコピー");
  EXPECT_FALSE(w.Visible(kIdBtnNext));
  EXPECT_FALSE(w.Visible(kIdBtnBack));
  EXPECT_TRUE(w.Visible(kIdBtnAbort));
  EXPECT_TRUE(p.Running());
  w.Click(kIdBtnAbort);
  EXPECT_EQ(w.Answer(IDYES).text, L"インストールを中断しますか？");
  EXPECT_TRUE(p.WaitExit(kTimeout));
  return error.text;
}

}  // namespace

TEST(InstallFailure, ADamagedSeparateFileStopsTheWork) {
  // Over an earlier file (written beside, never put in place), and where
  // nothing was (written straight to its name, and deleted again).
  for (const bool earlier : {true, false}) {
    SCOPED_TRACE(earlier ? "over an earlier file" : "nothing there before");
    TestMedium m;
    m.settings.FromArchive = 1;
    m.AddEntry(0, {"game.exe", "game", false, kOld, 1});
    m.AddEntry(0, {"damaged.txt", "original bytes", false, kOld, 1});
    m.Write();
    // One byte of the entry changed behind its checksum.
    std::string archive = ReadFileBytes(m.Disc(0) + "game.dat");
    const size_t at = archive.find("original bytes");
    ASSERT_NE(at, std::string::npos);
    archive[at] = 'O';
    WriteFileBytes(m.Disc(0) + "game.dat", archive);
    if (earlier) {
      WriteFileBytes(m.Target() + "damaged.txt", "the old file");
      ASSERT_TRUE(fs::SetFileAge(m.Target() + "damaged.txt", kOld - (1 << 5)));  // a minute older
    }

    Process p = m.StartWizard();
    Wizard w(p);
    StartInstall(w, m.Target(), false);
    EXPECT_EQ(ErrorThenAbort(w, p), L"ファイルが壊れています\r\ndamaged.txt");
    if (earlier) {
      EXPECT_EQ(ReadFileBytes(m.Target() + "damaged.txt"), "the old file");  // never replaced by damaged bytes
    } else {
      EXPECT_FALSE(fs::FileExists(m.Target() + "damaged.txt")) << "damaged bytes left under the name";
    }
    EXPECT_FALSE(fs::FileExists(m.Target() + "damaged.txt.~zi"));
    ExpectNothingRecorded(m);
  }
}

TEST(InstallFailure, ADamagedDataFileFailsItsVerification) {
  TestMedium m;
  m.settings.DataSize = m.settings.DiskDataSize[0] = 100;
  m.AddLoose(0, "game.exe", "game");
  m.AddEntry(0, {"a.txt", "entry bytes", false, kOld, 0});
  m.Write();
  std::string archive = ReadFileBytes(m.Disc(0) + "game.dat");
  archive[archive.find("entry bytes")] = 'E';
  WriteFileBytes(m.Disc(0) + "game.dat", archive);

  Process p = m.StartWizard();
  Wizard w(p);
  StartInstall(w, m.Target(), true);
  const driver::MessageDialogContent warning = w.Answer(IDOK, kTimeout);
  EXPECT_EQ(warning.caption, L"警告");
  EXPECT_EQ(warning.text,
            L"ファイルの内容が正しくありません\r\nインストールしなおしてください\r\n何度も失敗する場合は、スキャンディスクを実行して\r\n"
            L"ハードディスクに異常がないか調べてください");
  EXPECT_TRUE(p.WaitExit(kTimeout));  // the wizard closes
  ExpectNothingRecorded(m);

  // A logged run tells it by its exit code, as an unattended one does.
  const std::string log = m.Dir() / "log.txt";
  Process logged = m.StartWizard(log);
  Wizard lw(logged);
  StartInstall(lw, m.Target(), true);
  EXPECT_EQ(lw.Answer(IDOK, kTimeout).caption, L"警告");
  ASSERT_TRUE(logged.WaitExit(kTimeout));
  EXPECT_EQ(logged.ExitCode(), 4u);
  ExpectNothingRecorded(m);
}

TEST(InstallFailure, NamesThatLeadOutOfTheInstallFolderAreRefused) {
  const struct {
    const char* name;
    const wchar_t* shown;
  } rows[] = {{"..\\escaped.txt", L"..\\escaped.txt"}, {"sub\\..\\..\\escaped.txt", L"sub\\..\\..\\escaped.txt"},
              {"CON.txt", L"CON.txt"}, {"a.txt:stream", L"a.txt:stream"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TestMedium m;
    m.settings.FromArchive = 1;
    m.AddEntry(0, {"game.exe", "game", false, kOld, 1});
    m.AddEntry(0, {row.name, "hostile", false, kOld, 1});
    m.Write();
    Process p = m.StartWizard();
    Wizard w(p);
    StartInstall(w, m.Target(), false);
    const std::wstring text = ErrorThenAbort(w, p);
    EXPECT_NE(text.find(row.shown), std::wstring::npos) << enc::Narrow(text);
    EXPECT_FALSE(fs::FileExists(m.Dir() / "installed\\escaped.txt"));
    EXPECT_FALSE(fs::FileExists(m.Dir() / "escaped.txt"));
    ExpectNothingRecorded(m);
  }
}

TEST(InstallFailure, AFolderThatCannotBeCreatedClosesTheWizard) {
  TestMedium m;
  m.AddLoose(0, "sub\\game.exe", "game");
  m.Write();
  WriteFileBytes(m.Target() + "sub", "a file where the folder must go");
  Process p = m.StartWizard();
  Wizard w(p);
  StartInstall(w, m.Target(), false);
  const driver::MessageDialogContent warning = w.Answer(IDOK, kTimeout);
  EXPECT_EQ(warning.caption, L"警告");
  EXPECT_EQ(warning.text, L"ディレクトリを作成できませんでした");
  EXPECT_TRUE(p.WaitExit(kTimeout));
  ExpectNothingRecorded(m);
}

TEST(InstallFailure, ALooseFileThatCannotBeWrittenStopsTheWork) {
  TestMedium m;
  m.AddLoose(0, "game.exe", "game");
  m.AddLoose(0, "blocked.dll", "cannot be written");
  m.Write();
  ASSERT_TRUE(fs::MakeDirectories(m.Target() + "blocked.dll"));  // a folder where the file must go
  Process p = m.StartWizard();
  Wizard w(p);
  StartInstall(w, m.Target(), false);
  const std::wstring text = ErrorThenAbort(w, p);
  EXPECT_NE(text.find(L"blocked.dll"), std::wstring::npos) << enc::Narrow(text);
  ExpectNothingRecorded(m);
}

TEST(InstallFailure, GivingUpAtTheDiscPromptRemovesWhatWasCopied) {
  TestMedium m(2);
  m.settings.DiskProgramSize = {10, 10};
  m.AddLoose(0, "game.exe", "game");
  m.Write();
  Process p = m.StartWizard();
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  ASSERT_TRUE(w.WaitForCaption(L"インストールするCD-ROM"));
  w.Click(kIdBtnNext);
  StartInstall(w, m.Target(), false);
  EXPECT_EQ(w.Answer(IDABORT).text, L"ディスク2を入れてからOKをクリックしてください");
  EXPECT_EQ(w.Answer(IDYES).text, L"インストールを中断しますか？");
  EXPECT_TRUE(p.WaitExit(kTimeout));
  // Copied files left behind with no record would be files no uninstaller removes.
  EXPECT_FALSE(fs::DirectoryExists(m.Target()));
  ExpectNothingRecorded(m);
}
