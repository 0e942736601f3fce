// Install folders judged as Windows will see them, shown through install.exe
// under Wine: another title's installation, a linked folder, Program Files
// by its short name, a folder too long for the game's files, a rights
// trial that cannot clean up after itself, and the read-me of a run
// restarted with administrator rights.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "common/archive_fixture.h"
#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/system_string_win.h"
#include "common/medium_win.h"
#include "common/temp_dir.h"
#include "common/unix_link_win.h"
#include "common/wizard_win.h"
#include "forms/message_dialog_win.h"
#include "os/elevation_win.h"

using driver::Process;
using testing_support::ReadFileBytes;
using testing_support::TestMedium;
using testing_support::Wizard;

namespace {

constexpr int kTimeout = 60000;

int RunToEnd(const Process& p) { return p.WaitExit(kTimeout) ? static_cast<int>(p.ExitCode()) : -1; }

std::string LogText(const std::string& file) {
  return fs::FileExists(file) ? enc::Utf8ToSjis(ReadFileBytes(file)) : "<no log>";
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A one-disc package: a program, data in the archive, a read-me.
void OneDisc(TestMedium& m) {
  TZefoInstallSet& s = m.settings;
  s.ProgramSize = s.DiskProgramSize[0] = 1000;
  s.DataSize = s.DiskDataSize[0] = 1000;
  s.CopyFiles.push_back("install.exe");
  m.AddLoose(0, "game.exe", "game of " + s.Title);
  m.AddEntry(0, {"scene\\one.txt", "scene of " + s.Title, false, 0x5A213C40, 0});
  m.Write();
}

std::string SilentInstall(const std::string& folder, const std::string& log) {
  return "/silent \"/dir=" + folder + "\" \"/log=" + log + "\"";
}

}  // namespace

TEST(InstallFolder, AnotherTitlesFolderIsRefusedBeforeAnythingIsTouched) {
  TestMedium a(1, 'P'), b(1, 'R');
  OneDisc(a);
  OneDisc(b);
  const std::string shared = a.Dir() / "shared\\";
  ASSERT_EQ(RunToEnd(a.Start(SilentInstall(shared, a.Dir() / "a.txt"))), 0) << LogText(a.Dir() / "a.txt");
  const std::string data = ReadFileBytes(shared + "game.dat"), directory = ReadFileBytes(shared + "game.ext");

  const std::string log = b.Dir() / "b.txt";
  EXPECT_EQ(RunToEnd(b.Start(SilentInstall(shared, log))), 7);
  EXPECT_TRUE(Has(LogText(log), "holds another installation (" + a.settings.Title + ")")) << LogText(log);
  EXPECT_EQ(ReadFileBytes(shared + "game.dat"), data);
  EXPECT_EQ(ReadFileBytes(shared + "game.ext"), directory);
  EXPECT_EQ(ReadFileBytes(shared + "game.exe"), "game of " + a.settings.Title);
  TZefoInstallSet left;
  left.LoadFromFile(shared + "install.dat");
  EXPECT_EQ(left.Title, a.settings.Title);
  EXPECT_EQ(a.settings.ReadValue("InstallPath", "<none>"), shared);
  EXPECT_EQ(b.settings.ReadValue("InstallPath", "<none>"), "<none>");
  // A repair of the same title is no other installation.
  EXPECT_EQ(RunToEnd(a.Start(SilentInstall(shared, a.Dir() / "a.txt"))), 0) << LogText(a.Dir() / "a.txt");
}

TEST(InstallFolder, ALinkedFolderIsInstalledByItsRealNameAndRemovedAgain) {
  TestMedium m(1, 'D');
  OneDisc(m);
  const std::string real = m.Dir() / "real\\";
  ASSERT_TRUE(fs::MakeDirectories(real));
  if (!testing_support::MakeUnixLink(RemoveTrailingDelimiter(real), m.Dir() / "linked"))
    GTEST_SKIP() << "no host symbolic link could be made";
  const std::string log = m.Dir() / "log.txt";
  ASSERT_EQ(RunToEnd(m.Start(SilentInstall(m.Dir() / "linked", log))), 0) << LogText(log);
  EXPECT_EQ(m.settings.ReadValue("InstallPath", "<none>"), real);
  EXPECT_TRUE(Has(LogText(log), "folder " + real + ";")) << LogText(log);

  ASSERT_EQ(RunToEnd(Process::Start(real + "install.exe", "/silent", {{L"TEMP", enc::Wide(m.Temp())}})), 0);
  EXPECT_FALSE(fs::DirectoryExists(real));
  EXPECT_EQ(m.settings.ReadValue("InstallPath", "<none>"), "<none>");
}

TEST(InstallFolder, ProgramFilesByItsShortNameIsRefusedAsItself) {
  TestMedium m(1, 'E');
  OneDisc(m);
  wchar_t buf[MAX_PATH] = {};  // the call's own fixed size
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, buf)));
  const std::string program_files = enc::Narrow(buf);
  const std::string short_name = enc::Narrow(SystemString([&](wchar_t* name, DWORD size) { return GetShortPathNameW(buf, name, size); }));
  if (short_name == program_files) GTEST_SKIP() << "the volume keeps no short names";
  const std::string log = m.Dir() / "log.txt";
  EXPECT_EQ(RunToEnd(m.Start(SilentInstall(short_name, log))), 7);
  EXPECT_TRUE(Has(LogText(log), "このフォルダにはインストールできません: " + short_name + "（" + program_files + "）"))
      << LogText(log);
  EXPECT_FALSE(fs::FileExists(program_files + "\\install.dat"));
  EXPECT_EQ(m.settings.ReadValue("InstallPath", "<none>"), "<none>");
}

TEST(InstallFolder, AFolderTooLongForTheGamesFilesIsRefusedOnTheFolderPageAndByDir) {
  TestMedium m(1, 'F');
  OneDisc(m);
  const std::string base = RemoveTrailingDelimiter(m.Dir().Path());
  const std::string folder = base + "\\" + std::string(250 - base.size(), 'x');  // 251 characters
  const std::string log = m.Dir() / "log.txt";
  EXPECT_EQ(RunToEnd(m.Start(SilentInstall(folder, log))), 7);
  EXPECT_TRUE(Has(LogText(log), "is too long")) << LogText(log);
  EXPECT_FALSE(fs::DirectoryExists(folder));

  Process p = m.StartWizard();
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  ASSERT_TRUE(w.WaitForCaption(L"インストールするファイル"));
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"インストール先の選択"));
  w.SetText(kIdEditDir, enc::Wide(folder));
  w.Click(kIdBtnNext);
  const driver::MessageDialogContent warning = w.Answer(IDOK);
  EXPECT_EQ(warning.caption, L"警告");
  EXPECT_NE(warning.text.find(L"259 文字以内"), std::wstring::npos) << enc::Narrow(warning.text);
  EXPECT_TRUE(w.WaitForCaption(L"インストール先の選択"));
  w.Click(kIdBtnAbort);
  w.Answer(IDYES);
  EXPECT_TRUE(p.WaitExit(kTimeout));
  EXPECT_FALSE(fs::DirectoryExists(folder));
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
  const std::string log = m.Dir() / "log.txt";
  const int code = RunToEnd(m.Start(SilentInstall(parent + "\\Game", log)));
  testing_support::RunHostCommand("/usr/bin/chattr", {"-a", host});
  EXPECT_EQ(code, 0) << LogText(log);
  EXPECT_TRUE(Has(LogText(log), "the trial folder " + parent + "\\~zi-write-trial-")) << LogText(log);
  EXPECT_TRUE(Has(LogText(log), "could not be removed")) << LogText(log);
}

TEST(InstallFolder, ARestartWithAdministratorRightsOpensNoReadme) {
  TestMedium m(1, 'O');
  m.settings.ReadmeFile = "readme.txt";
  m.settings.OpenReadme = 1;
  m.settings.CopyFiles.push_back("readme.txt");
  m.AddLoose(0, "readme.txt", "read me");
  OneDisc(m);
  Process p = m.Start("\"" + m.Root() + "\" /elevated=" + CurrentAccountSid() + " \"/dir=" +
                      RemoveTrailingDelimiter(m.Target()) + "\" /components=program /disc=this");
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  ASSERT_TRUE(w.WaitForCaption(L"インストール準備完了"));
  w.Click(kIdBtnNext);
  const driver::MessageDialogContent told = w.Answer(IDOK, kTimeout);
  EXPECT_EQ(told.caption, L"情報");
  EXPECT_EQ(told.text, enc::Wide(m.Target() + "readme.txt\r\nをお読みください"));
  ASSERT_TRUE(w.WaitForCaption(L"完了"));
  EXPECT_EQ(FindWindowW(L"Notepad", nullptr), nullptr);
  w.Click(kIdBtnAbort);
  EXPECT_TRUE(p.WaitExit(kTimeout));
}
