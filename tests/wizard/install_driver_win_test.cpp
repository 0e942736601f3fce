// Installing for real under Wine, worked from outside as a user installs: the
// medium is a drive of the prefix, discs are swapped by pointing the drive at
// the next disc's folder, and every result is read back from the disk, the
// registry and the shell's shortcuts.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "common/archive_fixture.h"
#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/medium_win.h"
#include "common/package_win.h"
#include "common/run_tool.h"
#include "common/scenario_win.h"
#include "forms/message_dialog_win.h"
#include "launcher/start_win.h"
#include "os/files_win.h"

using driver::Process;
using testing_support::Ended;
using testing_support::ExpectDataFile;
using testing_support::ExpectTree;
using testing_support::FilesBelow;
using testing_support::FinishInstall;
using testing_support::InstallThroughWizard;
using testing_support::kTimeout;
using testing_support::ReadFileBytes;
using testing_support::ShortcutInfo;
using testing_support::TestMedium;
using testing_support::WalkToConfirmPage;
using testing_support::Wizard;
using testing_support::WriteFileBytes;

namespace {

constexpr int32_t kOld = 0x5A213C40;  // 2025-01-01 07:34:00
constexpr int32_t kNew = 0x5A223C40;  // a day later

// 表示\ソフト.txt: both trail bytes are 0x5C.
const std::string kJapaneseName = "\x95\x5C\x8E\xA6\\\x83\x5C\x83\x74\x83\x67.txt";

const wchar_t kVerifyFailed[] =
    L"ファイルの内容が正しくありません\r\nインストールしなおしてください\r\n何度も失敗する場合は、スキャンディスクを実行して\r\n"
    L"ハードディスクに異常がないか調べてください";

std::string Bytes(size_t n, int seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + seed * 7 + (i >> 9)) & 0xFF);
  return s;
}

TZefoInstallSet LoadSettings(const std::string& file) {
  TZefoInstallSet s;
  s.LoadFromFile(file);
  return s;
}

// The long form of a path (a link may hold the short one).
std::wstring LongPath(const std::wstring& path) {
  wchar_t buf[MAX_PATH * 2];
  const DWORD n = GetLongPathNameW(path.c_str(), buf, MAX_PATH * 2);
  return n > 0 && n < MAX_PATH * 2 ? std::wstring(buf, n) : path;
}

void ExpectShortcut(const std::string& lnk, const std::string& target, const std::string& description, int icon) {
  SCOPED_TRACE(lnk);
  ShortcutInfo info;
  ASSERT_TRUE(testing_support::ReadShortcut(lnk, &info));
  EXPECT_EQ(LongPath(info.path), enc::Wide(target));
  EXPECT_EQ(info.arguments, L"");
  EXPECT_EQ(info.description, enc::Wide(description));
  EXPECT_EQ(LongPath(info.icon_file), enc::Wide(target));
  EXPECT_EQ(info.icon_index, icon);
  EXPECT_EQ(info.show_command, SW_SHOWNORMAL);
  EXPECT_EQ(AddTrailingDelimiter(enc::Narrow(LongPath(info.work_dir))), ExtractFilePath(target));
}

}  // namespace

TEST(Install, OneDiscOfLooseFilesAndData) {
  TestMedium m;
  TZefoInstallSet& s = m.settings;
  s.ReadmeFile = "readme.txt";
  s.OpenReadme = 1;
  s.ProgramSize = s.DiskProgramSize[0] = 6 << 20;
  s.DataSize = s.DiskDataSize[0] = 3 << 20;
  s.SoundSize = s.DiskSoundSize[0] = 1000;
  s.MovieSize = s.DiskMovieSize[0] = 1000;
  s.CopyFiles.push_back("install.exe");
  const std::string big = Bytes(5 << 20, 1);  // copied in pieces
  m.AddLoose(0, "game.exe", big);
  const std::string readme = "お読みください\nread me\r\n";  // Shift-JIS, as a package's read-me
  m.AddLoose(0, "readme.txt", readme);
  m.AddLoose(0, "bin\\sub\\tool.dll", Bytes(70000, 2));
  m.AddLoose(0, kJapaneseName, "Japanese name");
  m.AddLoose(0, "bgm\\title.ogg", "sound");
  m.AddLoose(0, "movie\\op.avi", "movie");      // movie not chosen
  m.AddLoose(0, "notes.txt", "not listed", false);
  m.AddEntry(0, {"zefo.zpb", "project", false, kOld, 0});
  m.AddEntry(0, {"scene\\a.txt", Bytes(300000, 3), true, kOld, 0});
  m.AddEntry(0, {"cg\\b.bmp", Bytes(3 << 20, 4), false, kOld, 0});
  m.Write();
  // A read-only file on the medium is installed writable.
  ASSERT_TRUE(SetFileAttributesW(enc::Wide(m.Disc(0) + "game.exe").c_str(), FILE_ATTRIBUTE_READONLY));
  // A Japanese install folder and title: the shortcuts must hold them on any system locale.
  const std::string target = m.Dir() / "installed\\\x83\x51\x81\x5B\x83\x80\\";  // ゲーム
  s.Title += "\x83\x65\x83\x58\x83\x67";  // テスト
  m.Write();
  // A read-only, hidden file of an earlier install is replaced all the same.
  WriteFileBytes(target + "readme.txt", "old");
  ASSERT_TRUE(SetFileAttributesW(enc::Wide(target + "readme.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));

  const Ended run = InstallThroughWizard(m, target, {true, true, false});
  ASSERT_EQ(run.code, 0) << run;

  // The files, byte for byte; the movie and the unlisted file stay behind.
  ExpectTree(target, {{"bgm\\title.ogg"},
                      {"bin\\sub\\tool.dll", Bytes(70000, 2)},
                      {"game.dat"},
                      {"game.exe", big},
                      {"game.ext"},
                      {"install.dat"},
                      {"install.exe", ReadFileBytes(m.Disc(0) + "install.exe")},
                      {"readme.txt", readme},
                      {kJapaneseName, "Japanese name"}});
  EXPECT_EQ(FileAttributesOf(target + "game.exe") & FILE_ATTRIBUTE_READONLY, 0u);

  // The data file: built from the disc's archive, every entry sound.
  ExpectDataFile(target + "game.dat",
                 {{"zefo.zpb", "project"}, {"scene\\a.txt", Bytes(300000, 3)}, {"cg\\b.bmp", Bytes(3 << 20, 4)}});

  // The settings file: the uninstaller's, every name in the order met.
  const TZefoInstallSet installed = LoadSettings(target + "install.dat");
  EXPECT_EQ(installed.UninstallMode, 1);
  EXPECT_EQ(installed.DataInstalled, 1);
  EXPECT_EQ(installed.Title, s.Title);
  ASSERT_EQ(installed.InstalledFiles.size(), 9u);
  const std::vector<std::string> tail(installed.InstalledFiles.end() - 3, installed.InstalledFiles.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"game.ext", "game.dat", "install.dat"}));
  std::vector<std::string> loose(installed.InstalledFiles.begin(), installed.InstalledFiles.end() - 3);
  std::sort(loose.begin(), loose.end());
  EXPECT_EQ(loose, (std::vector<std::string>{"bgm\\title.ogg", "bin\\sub\\tool.dll", "game.exe", "install.exe",
                                             "readme.txt", kJapaneseName}));

  EXPECT_EQ(s.ReadValue("InstallPath", "<none>"), target);

  // The program group: the game, the uninstaller (second icon), the read-me.
  testing_support::ExpectGroup(s, {s.Title + ".lnk", s.Title + "のアンインストール.lnk", "お読みください.lnk"});
  ExpectShortcut(m.GroupFolder() + s.Title + ".lnk", target + "game.exe", s.Title, 0);
  ExpectShortcut(m.GroupFolder() + s.Title + "のアンインストール.lnk", target + "install.exe",
                 s.Title + "のアンインストール", 1);
  ExpectShortcut(m.GroupFolder() + "お読みください.lnk", target + "readme.txt", "お読みください", 0);
  // The read-me was opened: where the shell's editor would read Shift-JIS in
  // another code page, in the program's own window; on a code page 932
  // system by the program the prefix associates with .txt.
  if (GetACP() != 932) {
    EXPECT_EQ(run.readme, std::optional<std::wstring>(L"お読みください\r\nread me\r\n"));
  } else {
    EXPECT_EQ(run.readme, std::nullopt);
    const DWORD notepad = driver::WaitForProgram(L"notepad.exe", kTimeout);
    EXPECT_NE(notepad, 0u) << "the read-me was not opened";
    if (notepad) {
      HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, notepad);
      if (h) TerminateProcess(h, 0), CloseHandle(h);
    }
  }

  // The launcher on the medium now offers to start the game.
  {
    Process launcher = m.Start();
    HWND form = driver::WaitForWindowWithChild(launcher.Id(), TForm::kClassName, kIdBtnStart, kTimeout);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(IsWindowEnabled(driver::ChildById(form, kIdBtnStart)));
    PostMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_TRUE(launcher.WaitExit(kTimeout));
  }
  // The program left in the install folder is the uninstaller.
  {
    const testing_support::Uninstaller uninstaller = testing_support::StartUninstaller(target, m.Temp());
    ASSERT_NE(uninstaller.copy, 0u);
    Wizard u(uninstaller.copy);
    ASSERT_TRUE(u.Found());
    EXPECT_TRUE(u.WaitForCaption(L"アンインストール"));
    u.Click(kIdBtnAbort);
    u.Answer(IDYES);
    EXPECT_TRUE(driver::WaitNoProgram(L"~zinstall.exe", kTimeout));
  }
}

TEST(Install, TwoDiscsWithThePromptAndTheFirstProjectFileKept) {
  TestMedium m(2);
  TZefoInstallSet& s = m.settings;
  s.ProgramSize = 100;
  s.DataSize = 100;
  s.DiskProgramSize = {50, 50};
  s.DiskDataSize = {50, 50};
  s.CopyFiles.push_back("install.exe");
  m.AddLoose(0, "game.exe", "game");
  m.AddLoose(1, "disc2\\extra.txt", "from disc 2");
  m.AddEntry(0, {"zefo.zpb", "project 1", false, kOld, 0});
  m.AddEntry(0, {"a.txt", "a", false, kOld, 0});
  m.AddEntry(1, {"zefo.zpb", "project 2", false, kNew, 0});
  m.AddEntry(1, {"b.txt", Bytes(4 << 20, 5), false, kNew, 0});
  m.Write();
  const std::string target = m.Target();

  Process p = m.StartWizard();
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  ASSERT_TRUE(w.WaitForCaption(L"インストールするCD-ROM"));
  EXPECT_TRUE(w.Checked(kIdRadioDiskAll));
  w.Click(kIdBtnNext);
  WalkToConfirmPage(w, target, {true, false, false});
  w.Click(kIdBtnNext);

  // The prompt for disc 2; giving up is asked again, and No shows the prompt again.
  driver::MessageDialogContent prompt = w.Answer(IDABORT);
  EXPECT_EQ(prompt.caption, L"情報");
  EXPECT_EQ(prompt.text, L"ディスク2を入れてからOKをクリックしてください");
  EXPECT_EQ(prompt.buttons, (std::vector<std::wstring>{L"OK", L"中止(&A)"}));
  EXPECT_EQ(w.Answer(IDNO).text, L"インストールを中断しますか？");
  // Still disc 1 in the drive: OK only asks again.
  EXPECT_EQ(w.Answer(IDOK).text, L"ディスク2を入れてからOKをクリックしてください");
  // A disc whose settings file is damaged: the warning, and the settings of
  // the run stay whole; the prompt comes again.
  const std::string damaged = m.Dir() / "damaged\\";
  WriteFileBytes(damaged + "install.dat", ReadFileBytes(m.Disc(1) + "install.dat").substr(0, 40));
  ASSERT_NE(driver::WaitForWindow(p.Id(), kMessageDialogClass, kTimeout), nullptr);
  ASSERT_TRUE(testing_support::PointDrive('M', damaged));
  EXPECT_EQ(w.Answer(IDOK).text, L"ディスク2を入れてからOKをクリックしてください");
  const driver::MessageDialogContent warning = w.Answer(IDOK);
  EXPECT_EQ(warning.caption, L"警告");
  EXPECT_NE(warning.text.find(L"インストール設定ファイルが壊れています"), std::wstring::npos);
  // The disc goes in while the prompt shows again, as a user swaps discs.
  HWND prompt_again = driver::WaitForWindow(p.Id(), kMessageDialogClass, kTimeout);
  ASSERT_NE(prompt_again, nullptr);
  EXPECT_EQ(driver::ReadMessageDialog(prompt_again).text, L"ディスク2を入れてからOKをクリックしてください");
  // The prompt sees the disc and goes by itself: no OK to race it.
  ASSERT_TRUE(m.Insert(1));
  ASSERT_TRUE(w.WaitForCaption(L"完了", 60000));
  w.Click(kIdBtnAbort);
  EXPECT_TRUE(p.WaitExit(kTimeout));

  ExpectTree(target, {{"disc2\\extra.txt", "from disc 2"},
                      {"game.dat"},
                      {"game.exe", "game"},
                      {"game.ext"},
                      {"install.dat"},
                      {"install.exe"}});
  ExpectDataFile(target + "game.dat", {{"/original_zefo.zpb", "project 1"},
                                       {"zefo.zpb", "project 2"},
                                       {"a.txt", "a"},
                                       {"b.txt", Bytes(4 << 20, 5)}});
  // The settings of the last disc, with the names of both discs.
  const TZefoInstallSet installed = LoadSettings(target + "install.dat");
  EXPECT_EQ(installed.DiskIndex, 1);
  EXPECT_EQ(installed.DataInstalled, 1);
  std::vector<std::string> names = installed.InstalledFiles;
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"disc2\\extra.txt", "game.dat", "game.exe", "game.ext", "install.dat",
                                             "install.exe"}));
  EXPECT_EQ(s.ReadValue("InstallPath", "<none>"), target);
}

TEST(Install, SeparateFilesFromTheArchive) {
  TestMedium m;
  TZefoInstallSet& s = m.settings;
  s.FromArchive = 1;
  s.ProgramSize = s.DiskProgramSize[0] = 100;
  m.AddLoose(0, "loose.txt", "never copied from the medium");
  m.AddEntry(0, {"game.exe", "game program", false, kOld, 1});
  m.AddEntry(0, {"docs\\manual.txt", Bytes(5 << 20, 6), false, kNew, 1});
  m.AddEntry(0, {"install.dat", "not this one", false, kNew, 1});
  m.AddEntry(0, {"keep.txt", "from the archive", false, kOld, 1});
  m.AddEntry(0, {"data.bin", "merged, not separate", false, kOld, 0});
  m.Write();
  const std::string target = m.Target();
  // A file already there and newer than its entry is kept, and still recorded.
  WriteFileBytes(target + "keep.txt", "already there");
  ASSERT_TRUE(fs::SetFileAge(target + "keep.txt", kNew));

  const Ended run = InstallThroughWizard(m, target, {false, false, false});
  ASSERT_EQ(run.code, 0) << run;

  ExpectTree(target, {{"docs\\manual.txt", Bytes(5 << 20, 6)},
                      {"game.exe", "game program"},
                      {"install.dat"},
                      {"keep.txt", "already there"}});
  EXPECT_EQ(fs::FileAge(target + "game.exe"), kOld);
  EXPECT_EQ(fs::FileAge(target + "docs\\manual.txt"), kNew);
  const TZefoInstallSet installed = LoadSettings(target + "install.dat");
  EXPECT_EQ(installed.UninstallMode, 1);
  EXPECT_EQ(installed.FromArchive, 1);
  testing_support::ExpectRecorded(target, {"game.exe", "docs\\manual.txt", "keep.txt", "install.dat"});
}

TEST(Install, SystemInstallAlwaysRewritesAndRecordsNothing) {
  TestMedium m;
  TZefoInstallSet& s = m.settings;
  s.FromArchive = 1;
  s.InstallKind = TInstallKind::kSystem;
  const std::string folder = testing_support::UniqueName("Sys");
  const std::string file = folder + "\\sys.txt";
  m.AddEntry(0, {file, "new system file", false, kOld, 1});
  m.Write();
  const std::string windows = WindowsFolder();
  WriteFileBytes(windows + file, "newer, but rewritten");
  ASSERT_TRUE(fs::SetFileAge(windows + file, kNew));

  Process p = m.StartWizard();
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  ASSERT_TRUE(w.WaitForCaption(L"インストール準備完了"));
  EXPECT_FALSE(w.Visible(kIdLabel6));
  FinishInstall(w, p);
  EXPECT_EQ(ReadFileBytes(windows + file), "new system file");
  EXPECT_EQ(fs::FileAge(windows + file), kOld);
  testing_support::ExpectNothingRecorded(s, windows);
  testing_support::RemoveTree(windows + folder);
}

TEST(Install, AnAddOnAddsItsNamesToTheInstallation) {
  TestMedium m;
  TZefoInstallSet& s = m.settings;
  const std::string target = m.Target();
  // The installation the add-on goes into, with its data file.
  TZefoInstallSet base = s;
  base.UninstallMode = 1;
  base.ProgramSize = 1234;
  base.InstalledFiles = {"game.exe", "game.dat", "game.ext", "install.dat"};
  WriteFileBytes(target + "game.exe", "game");
  WriteFileBytes(target + "game.dat", BuildArchive(102, {{"zefo.zpb", "project 1", false, kOld, 0}}));
  base.SaveToFile(target + "install.dat");

  s.AddOn = 1;
  s.ProgramSize = 99;
  s.SoundSize = 10;
  m.AddLoose(0, "bgm\\extra.ogg", "sound, copied in any case");
  m.AddLoose(0, "GAME.EXE", "patched game");
  m.Write();
  // An add-on is a program that carries its archive, its settings inside.
  testing_support::TempDir staging;
  s.SaveToFile(staging / "install.dat");
  WriteFileBytes(staging / "zefo.zpb", "project 2");
  WriteFileBytes(staging / "extra.txt", "extra");
  ASSERT_TRUE(fs::SetFileAge(staging / "zefo.zpb", kNew));
  const testing_support::ToolResult packed =
      testing_support::RunTool(ZI_VFTOOL_EXE, {"pack", "--format-version", "102", "--loose", "install.dat", "--carrier",
                                               testing_support::InstallExePath(), m.Disc(0) + "install.exe",
                                               RemoveTrailingDelimiter(staging.Path())});
  ASSERT_EQ(packed.exit_code, 0) << packed.err;

  Process p = m.StartWizard();
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  ASSERT_TRUE(w.WaitForCaption(L"インストール先の選択"));
  w.SetText(kIdEditDir, enc::Wide(RemoveTrailingDelimiter(target)));
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"インストール準備完了"));
  FinishInstall(w, p);

  EXPECT_EQ(ReadFileBytes(target + "bgm\\extra.ogg"), "sound, copied in any case");
  EXPECT_EQ(ReadFileBytes(target + "game.exe"), "patched game");
  ExpectDataFile(target + "game.dat",
                 {{"/original_zefo.zpb", "project 1"}, {"zefo.zpb", "project 2"}, {"extra.txt", "extra"}});
  const TZefoInstallSet installed = LoadSettings(target + "install.dat");
  EXPECT_EQ(installed.AddOn, 0);
  EXPECT_EQ(installed.ProgramSize, 1234);
  testing_support::ExpectRecorded(target, {"game.exe", "game.dat", "game.ext", "install.dat", "bgm\\extra.ogg"});
  EXPECT_FALSE(fs::DirectoryExists(m.GroupFolder()));  // an add-on makes no shortcuts
}

TEST(Install, AReinstallDeletesStaleDataFilesUpToTheFirstGap) {
  TestMedium m;
  TZefoInstallSet& s = m.settings;
  s.ProgramSize = s.DiskProgramSize[0] = 10;
  s.DataSize = s.DiskDataSize[0] = 10;
  s.CopyFiles.push_back("install.exe");
  m.AddLoose(0, "game.exe", "game");
  m.AddEntry(0, {"a.txt", "a", false, kOld, 0});
  m.Write();
  const std::string target = m.Target();
  for (const char* stale : {"game.dat", "game.ext", "game.001", "game.003"}) WriteFileBytes(target + stale, "stale");

  const Ended run = InstallThroughWizard(m, target, {false, false, false});  // the program only: no data file at all
  ASSERT_EQ(run.code, 0) << run;

  ExpectTree(target, {"game.003", "game.exe", "install.dat", "install.exe"});
  std::vector<std::string> names = LoadSettings(target + "install.dat").InstalledFiles;
  EXPECT_EQ(names.back(), "install.dat");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"game.exe", "install.dat", "install.exe"}));
  // Without a read-me, exactly two shortcuts.
  testing_support::ExpectGroup(s, {s.Title + ".lnk", s.Title + "のアンインストール.lnk"});
}

TEST(Install, TheCopyPageWhileItWorksAndItsAbort) {
  for (const bool give_up : {false, true}) {
    SCOPED_TRACE(give_up ? "Abort, Yes" : "Abort, No");
    TestMedium m;
    m.settings.ProgramSize = m.settings.DiskProgramSize[0] = 1500 * 100;
    for (int i = 0; i < 1500; ++i) m.AddLoose(0, Format("files\\f%04d.txt", i), std::string(100, 'x'));
    m.Write();
    Process p = m.StartWizard();
    Wizard w(p);
    ASSERT_TRUE(w.Found());
    WalkToConfirmPage(w, m.Target(), {false, false, false});
    w.Click(kIdBtnNext);
    ASSERT_TRUE(w.WaitForCaption(L"ファイルコピー"));
    EXPECT_FALSE(w.Visible(kIdBtnBack));
    EXPECT_FALSE(w.Visible(kIdBtnNext));
    EXPECT_EQ(w.Text(kIdLabelCopyCap), L"ファイルをコピーしています");
    const RECT bar = w.Rect(kIdProgress);
    EXPECT_EQ(bar.left, 16);
    EXPECT_EQ(bar.top, 192);
    EXPECT_EQ(bar.right - bar.left, 349);
    EXPECT_EQ(bar.bottom - bar.top, 16);
    // The label names the file being copied while the work goes on.
    EXPECT_TRUE(driver::WaitUntil([&] { return w.Text(kIdLabelCopy).find(L" をコピー中...") != std::wstring::npos; }, kTimeout));
    w.Click(kIdBtnAbort);
    const driver::MessageDialogContent c = w.Answer(give_up ? IDYES : IDNO);
    // The close box right after a confirmed Abort leaves it an Abort.
    if (give_up) PostMessageW(w.Form(), WM_CLOSE, 0, 0);
    EXPECT_EQ(c.caption, L"確認");
    EXPECT_EQ(c.text, L"インストールを中断しますか？");
    EXPECT_EQ(c.buttons, std::vector<std::wstring>({L"はい(&Y)", L"いいえ(&N)"}));
    if (give_up) {
      EXPECT_TRUE(p.WaitExit(kTimeout));
      EXPECT_LT(FilesBelow(m.Target()).size(), 1500u);  // stopped on the way
      testing_support::ExpectNothingRecorded(m.settings, m.Target());
    } else {
      FinishInstall(w, p);
      EXPECT_EQ(FilesBelow(m.Target()).size(), 1501u);  // every file and install.dat
    }
  }
}

TEST(Install, AnArchiveNamedOnTheCommandLineIsReadWithItsFolder) {
  // The settings come from the archive's install.dat entry; the loose files
  // are beside the archive, in its folder.
  TestMedium m;
  m.settings.ProgramSize = m.settings.DiskProgramSize[0] = 100;
  m.AddLoose(0, "game.exe", "beside the archive");
  m.Write();
  testing_support::TempDir staging;
  m.settings.SaveToFile(staging / "install.dat");
  const testing_support::ToolResult packed = testing_support::RunTool(
      ZI_VFTOOL_EXE, {"pack", "--format-version", "102", m.Disc(0) + "package.vf", RemoveTrailingDelimiter(staging.Path())});
  ASSERT_EQ(packed.exit_code, 0) << packed.err;
  fs::EraseFile(m.Disc(0) + "install.dat");

  Process p = m.Start("\"" + m.Root() + "package.vf\"");
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  WalkToConfirmPage(w, m.Target(), {false, false, false});
  FinishInstall(w, p);
  EXPECT_EQ(ReadFileBytes(m.Target() + "game.exe"), "beside the archive");
}

TEST(Install, ASetOfDiscsInstalledFromTheArchiveInTheLaunchersProcess) {
  // The wizard runs in the launcher's own process, without a folder given:
  // the next disc is looked for where the program was started from.
  TestMedium m(2);
  TZefoInstallSet& s = m.settings;
  s.FromArchive = 1;
  s.DiskProgramSize = {10, 10};
  m.AddEntry(0, {"game.exe", "game", false, kOld, 1});
  m.AddEntry(1, {"movie\\two.avi", "from disc 2", false, kOld, 1});
  m.Write();
  Process launcher = m.Start();
  HWND form = driver::WaitForWindowWithChild(launcher.Id(), TForm::kClassName, kIdBtnInstall, kTimeout);
  ASSERT_NE(form, nullptr);
  driver::Click(driver::ChildById(form, kIdBtnInstall));
  Wizard w(launcher);
  ASSERT_TRUE(w.Found());
  ASSERT_TRUE(w.WaitForCaption(L"インストールするCD-ROM"));
  w.Click(kIdBtnNext);
  WalkToConfirmPage(w, m.Target(), {false, false, false});
  w.Click(kIdBtnNext);
  HWND prompt = driver::WaitForWindow(launcher.Id(), kMessageDialogClass, kTimeout);
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(driver::ReadMessageDialog(prompt).text, L"ディスク2を入れてからOKをクリックしてください");
  // The prompt sees the disc and goes by itself: no OK to race it.
  ASSERT_TRUE(m.Insert(1));
  ASSERT_TRUE(w.WaitForCaption(L"完了", 60000));
  w.Click(kIdBtnAbort);
  EXPECT_TRUE(launcher.WaitExit(kTimeout));
  EXPECT_EQ(ReadFileBytes(m.Target() + "game.exe"), "game");
  EXPECT_EQ(ReadFileBytes(m.Target() + "movie\\two.avi"), "from disc 2");
}
