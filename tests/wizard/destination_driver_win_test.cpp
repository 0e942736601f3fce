// Install folders judged as Windows will see them, shown through install.exe
// under Wine: another title's installation, a linked folder, Program Files
// by its short name, a folder too long for the game's files, a folder name
// code page 932 cannot hold, a rights trial that cannot clean up after
// itself, and the read-me of a run restarted with administrator rights.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "common/archive_fixture.h"
#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/system_string_win.h"
#include "common/scenario_win.h"
#include "common/unix_link_win.h"
#include "forms/message_dialog_win.h"
#include "os/elevation_win.h"

using testing_support::Ended;
using testing_support::ExpectNothingRecorded;
using testing_support::ExpectTree;
using testing_support::ExpectUninstalled;
using testing_support::Has;
using testing_support::RunInstalled;
using testing_support::RunSilent;
using testing_support::TestMedium;
using testing_support::WalkToFolderPage;
using testing_support::Wizard;

namespace {

// A one-disc package: a program, its uninstaller, data in the archive.
void OneDisc(TestMedium& m) {
  testing_support::OneDiscSizes(m.settings, 1000, 1000);
  m.settings.CopyFiles.push_back("install.exe");
  m.AddLoose(0, "game.exe", "game of " + m.settings.Title);
  m.AddEntry(0, {"scene\\one.txt", "scene of " + m.settings.Title, false, 0x5A213C40, 0});
  m.Write();
}

}  // namespace

TEST(InstallFolder, AnotherTitlesFolderIsRefusedBeforeAnythingIsTouched) {
  TestMedium a(1, 'P'), b(1, 'R');
  OneDisc(a);
  OneDisc(b);
  const std::string shared = a.Dir() / "shared\\";
  ASSERT_EQ(RunSilent(a, {shared, "", a.Dir() / "a.txt"}).code, 0);
  const std::string data = testing_support::ReadFileBytes(shared + "game.dat");

  const Ended refused = RunSilent(b, {shared, "", b.Dir() / "b.txt"});
  EXPECT_EQ(refused.code, 7) << refused;
  EXPECT_TRUE(Has(refused.log, "holds another installation (" + a.settings.Title + ")")) << refused;
  ExpectTree(shared, {{"game.dat", data}, "game.ext", {"game.exe", "game of " + a.settings.Title}, "install.dat",
                      "install.exe"});
  TZefoInstallSet left;
  left.LoadFromFile(shared + "install.dat");
  EXPECT_EQ(left.Title, a.settings.Title);
  EXPECT_EQ(a.settings.ReadValue("InstallPath", ""), shared);
  ExpectNothingRecorded(b);
  // A repair of the same title is no other installation.
  EXPECT_EQ(RunSilent(a, {shared}).code, 0);
}

TEST(InstallFolder, ALinkedFolderIsInstalledByItsRealNameAndRemovedAgain) {
  TestMedium m(1, 'D');
  OneDisc(m);
  const std::string real = m.Dir() / "real\\";
  ASSERT_TRUE(fs::MakeDirectories(real));
  if (!testing_support::MakeUnixLink(RemoveTrailingDelimiter(real), m.Dir() / "linked"))
    GTEST_SKIP() << "no host symbolic link could be made";
  const Ended run = RunSilent(m, {m.Dir() / "linked", "", m.Dir() / "log.txt"});
  ASSERT_EQ(run.code, 0) << run;
  EXPECT_EQ(m.settings.ReadValue("InstallPath", ""), real);
  EXPECT_TRUE(Has(run.log, "folder " + real + ";")) << run;

  const Ended removed = RunInstalled(real, "/silent", m.Temp());
  EXPECT_EQ(removed.code, 0) << removed;
  ExpectUninstalled(m.settings, real);
}

TEST(InstallFolder, ProgramFilesByItsShortNameIsRefusedAsItself) {
  TestMedium m(1, 'E');
  OneDisc(m);
  wchar_t buf[MAX_PATH] = {};  // the call's own fixed size
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, buf)));
  const std::string program_files = enc::Narrow(buf);
  const std::string short_name =
      enc::Narrow(SystemString([&](wchar_t* name, DWORD size) { return GetShortPathNameW(buf, name, size); }));
  if (short_name == program_files) GTEST_SKIP() << "the volume keeps no short names";
  const Ended run = RunSilent(m, {short_name, "", m.Dir() / "log.txt"});
  EXPECT_EQ(run.code, 7) << run;
  EXPECT_TRUE(Has(run.log, "このフォルダにはインストールできません: " + short_name + "（" + program_files + "）")) << run;
  ExpectNothingRecorded(m.settings, program_files + "\\");
}

TEST(InstallFolder, AFolderTooLongForTheGamesFilesIsRefusedOnTheFolderPageAndByDir) {
  TestMedium m(1, 'F');
  OneDisc(m);
  const std::string base = RemoveTrailingDelimiter(m.Dir().Path());
  const std::string folder = base + "\\" + std::string(250 - base.size(), 'x');  // 251 characters
  const Ended run = RunSilent(m, {folder, "", m.Dir() / "log.txt"});
  EXPECT_EQ(run.code, 7) << run;
  EXPECT_TRUE(Has(run.log, "is too long")) << run;

  driver::Process p = m.StartWizard();
  Wizard w(p);
  ASSERT_NO_FATAL_FAILURE(WalkToFolderPage(w, {}));
  w.SetText(kIdEditDir, enc::Wide(folder));
  w.Click(kIdBtnNext);
  const driver::MessageDialogContent warning = w.Answer(IDOK);
  EXPECT_EQ(warning.caption, L"警告");
  EXPECT_NE(warning.text.find(L"259 文字以内"), std::wstring::npos) << enc::Narrow(warning.text);
  EXPECT_TRUE(w.WaitForCaption(L"インストール先の選択"));
  w.Click(kIdBtnAbort);
  w.Answer(IDYES);
  EXPECT_TRUE(p.WaitExit(testing_support::kTimeout));
  EXPECT_FALSE(testing_support::Exists(folder));
}

TEST(InstallFolder, ANameCodePage932CannotHoldIsRefusedNamingTheCharacter) {
  TestMedium m(1, 'G');
  OneDisc(m);
  driver::Process p = m.StartWizard();
  Wizard w(p);
  ASSERT_NO_FATAL_FAILURE(WalkToFolderPage(w, {}));
  const std::wstring folder = enc::Wide(m.Dir().Path()) + L"Zo\u00EB\\DemoGame";
  w.SetText(kIdEditDir, folder);
  w.Click(kIdBtnNext);
  const driver::MessageDialogContent warning = w.Answer(IDOK);
  EXPECT_EQ(warning.caption, L"警告");
  EXPECT_EQ(warning.text, L"フォルダ名に使えない文字が含まれています: \u00EB\r\n別のフォルダ名を指定してください");
  // After OK the person types again where the fault is.
  EXPECT_TRUE(driver::WaitForFocus(w.Form(), w.Control(kIdEditDir), driver::kTimeout));
  EXPECT_EQ(w.Caption(), L"インストール先の選択");
  EXPECT_EQ(w.Text(kIdEditDir), folder);
  w.Click(kIdBtnAbort);
  w.Answer(IDYES);
  EXPECT_TRUE(p.WaitExit(testing_support::kTimeout));
  EXPECT_EQ(GetFileAttributesW((enc::Wide(m.Dir().Path()) + L"Zo\u00EB").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(InstallFolder, ATrialFolderLeftBehindIsLogged) {
  TestMedium m(1, 'I');
  OneDisc(m);
  const std::string parent = m.Dir() / "append-only";
  ASSERT_TRUE(fs::MakeDirectories(parent));
  const std::string host = testing_support::HostPathOf(parent);
  // Folders can be made in an append-only folder, not removed; Wine says
  // the removal went well.
  if (host.empty() || !testing_support::RunHostCommand("/usr/bin/chattr", {"+a", host}))
    GTEST_SKIP() << "chattr +a needs root on the host";
  const Ended run = RunSilent(m, {parent + "\\Game", "", m.Dir() / "log.txt"});
  testing_support::RunHostCommand("/usr/bin/chattr", {"-a", host});
  EXPECT_EQ(run.code, 0) << run;
  EXPECT_TRUE(Has(run.log, "the trial folder " + parent + "\\~zi-write-trial-")) << run;
  EXPECT_TRUE(Has(run.log, "could not be removed")) << run;
}

TEST(InstallFolder, ARestartWithAdministratorRightsOpensNoReadme) {
  TestMedium m(1, 'O');
  m.settings.ReadmeFile = "readme.txt";
  m.settings.OpenReadme = 1;
  m.settings.CopyFiles.push_back("readme.txt");
  m.AddLoose(0, "readme.txt", "read me");
  OneDisc(m);
  driver::Process p = m.Start("\"" + m.Root() + "\" /elevated=" + CurrentAccountSid() + " \"/dir=" +
                              RemoveTrailingDelimiter(m.Target()) + "\" /components=program /disc=this");
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  ASSERT_TRUE(w.WaitForCaption(L"インストール準備完了"));
  w.Click(kIdBtnNext);
  const driver::MessageDialogContent told = w.Answer(IDOK, 60000);
  EXPECT_EQ(told.caption, L"情報");
  EXPECT_EQ(told.text, enc::Wide(m.Target() + "readme.txt\r\nをお読みください"));
  ASSERT_TRUE(w.WaitForCaption(L"完了"));
  EXPECT_EQ(FindWindowW(L"Notepad", nullptr), nullptr);
  w.Click(kIdBtnAbort);
  EXPECT_TRUE(p.WaitExit(testing_support::kTimeout));
}
