// Unattended installs and uninstalls under Wine: install.exe started with
// switches, as an administrator's script starts it; every result read back
// from the disk, the registry, the system's list of installed programs and
// the run's log, and every way such a run ends told by its exit code.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "archive/vrfiles.h"
#include "common/archive_fixture.h"
#include "common/output_capture_win.h"
#include "common/scenario_win.h"

using driver::Process;
using testing_support::Ended;
using testing_support::ExpectNothingRecorded;
using testing_support::Has;
using testing_support::kTimeout;
using testing_support::LogText;
using testing_support::ReadFileBytes;
using testing_support::RunSilent;
using testing_support::SilentInstall;
using testing_support::TestMedium;

namespace {

constexpr int32_t kOld = 0x5A213C40;

// A package of two discs: program files on the first, data on both, a sound file on the second.
void TwoDiscs(TestMedium& m) {
  TZefoInstallSet& s = m.settings;
  s.ProgramSize = s.DiskProgramSize[0] = 20000;
  s.DataSize = 40000;
  s.DiskDataSize[0] = s.DiskDataSize[1] = 20000;
  s.SoundSize = s.DiskSoundSize[1] = 100;
  s.CopyFiles.push_back("install.exe");
  m.AddLoose(0, "game.exe", std::string(20000, 'g'));
  m.AddLoose(1, "bgm\\title.ogg", "sound");
  m.AddEntry(0, {"scene\\one.txt", std::string(20000, '1'), false, kOld, 0});
  m.AddEntry(1, {"scene\\two.txt", std::string(20000, '2'), false, kOld, 0});
  m.Write();
}

// A folder of this system (the Windows folder, Program Files ...), as the system names it.
std::string SystemFolder(int csidl) {
  wchar_t buf[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf);
  return enc::NarrowPath(buf);
}

// The switch naming the folders where later discs are looked for.
std::string Discs(const std::string& folders) { return "\"/discs=" + folders + "\""; }

}  // namespace

// Each test has a drive of its own: they run beside the wizard's tests, which use M:.
TEST(SilentRun, TwoDiscsInstalledListedAndUninstalledWithLogs) {
  TestMedium m(2, 'S');
  TwoDiscs(m);
  const TZefoInstallSet& s = m.settings;
  const std::string log = m.Dir() / "install log.txt";
  // The second disc is not in the drive: it is found in the folder the switch names.
  const Ended run =
      RunSilent(m, {RemoveTrailingDelimiter(m.Target()), "", log, Discs(m.Dir() / "nowhere;" + m.Disc(1))});
  const std::string& text = run.log;
  ASSERT_EQ(run.code, 0) << run;
  testing_support::ExpectTree(m.Target(), {{"bgm\\title.ogg", "sound"},
                                           {"game.dat"},
                                           {"game.exe", std::string(20000, 'g')},
                                           {"game.ext"},
                                           {"install.dat"},
                                           {"install.exe"}});
  testing_support::ExpectDataFile(m.Target() + "game.dat",
                                  {{"scene\\one.txt", std::string(20000, '1')}, {"scene\\two.txt", std::string(20000, '2')}});
  EXPECT_EQ(s.ReadValue("InstallPath", ""), m.Target());
  testing_support::ExpectGroup(s, {s.Title + ".lnk", s.Title + "のアンインストール.lnk"});

  // The log: every step, every file, the disc search, the end.
  EXPECT_TRUE(Has(text, "silent install of " + s.Title));
  EXPECT_TRUE(Has(text, "copied game.exe"));
  EXPECT_TRUE(Has(text, "copied bgm\\title.ogg"));
  EXPECT_TRUE(Has(text, "disc 2: looking in " + m.Dir() / "nowhere"));
  EXPECT_TRUE(Has(text, "disc 2: looking in " + m.Disc(1)));
  EXPECT_TRUE(Has(text, "データファイルをチェックしています"));
  EXPECT_TRUE(Has(text, "listed among the installed programs"));
  // The bar ends at what the work really copied: its last figure is the bytes copied.
  const size_t finished = text.find("install finished: ");
  ASSERT_NE(finished, std::string::npos) << run;
  const long long copied = std::atoll(text.c_str() + finished + std::strlen("install finished: "));
  EXPECT_GT(copied, 60000);
  EXPECT_TRUE(Has(text, Format("progress 100%% (%lld of %lld bytes)", copied, copied))) << run;
  EXPECT_TRUE(Has(ReadFileBytes(log), "] "));  // stamped lines

  // Listed among the installed programs, with KiB of 60,000 bytes and more.
  testing_support::ExpectUninstallEntry(s, m.Target(), 40);

  {
    SCOPED_TRACE("a repair from a medium whose program cannot be read keeps the installed program");
    const SilentInstall again{m.Target(), "", log, Discs(m.Disc(1))};
    // The medium's game.exe is a file the system fails to read (a Unix link
    // to /proc/self/mem: the kernel refuses its first bytes).
    const std::string medium_exe = m.Disc(0) + "game.exe";
    fs::EraseFile(medium_exe);
    ASSERT_TRUE(testing_support::RunHostCommand("/bin/ln", {"-s", "/proc/self/mem", testing_support::HostPathOf(medium_exe)}));
    const Ended failed = RunSilent(m, again);
    EXPECT_EQ(failed.code, 1) << failed;
    EXPECT_TRUE(Has(failed.log, "を読み込めません")) << failed;
    EXPECT_EQ(ReadFileBytes(m.Target() + "game.exe"), std::string(20000, 'g'));
    EXPECT_FALSE(fs::FileExists(m.Target() + "game.exe.~zi"));
    // Readable again (a newer build of it), the same repair ends well and replaces it.
    ASSERT_TRUE(testing_support::RunHostCommand("/bin/rm", {testing_support::HostPathOf(medium_exe)}));
    testing_support::WriteFileBytes(medium_exe, std::string(20000, 'h'));
    const Ended repaired = RunSilent(m, again);
    ASSERT_EQ(repaired.code, 0) << repaired;
    EXPECT_EQ(ReadFileBytes(m.Target() + "game.exe"), std::string(20000, 'h'));
  }

  // The quiet uninstall command, run as the system's list would run it; the save data asked to go too.
  testing_support::WriteFileBytes(m.Target() + "save.dat", "saved");
  const std::string log2 = m.Dir() / "uninstall.txt";
  const Ended u =
      testing_support::RunInstalled(m.Target(), "/silent /deletesave " + testing_support::LogSwitch(log2), m.Temp(), log2);
  ASSERT_EQ(u.code, 0) << u;
  EXPECT_TRUE(Has(u.log, "deleted: game.exe"));
  EXPECT_TRUE(Has(u.log, "deleted: game.dat"));
  EXPECT_TRUE(Has(u.log, "deleted: save.dat"));
  EXPECT_TRUE(Has(u.log, "the folder is gone")) << u;
  testing_support::ExpectUninstalled(s, m.Target());
}

TEST(SilentRun, EveryFailureEndsWithItsCodeAndReasonAndRecordsNothing) {
  {
    SCOPED_TRACE("the second disc nowhere");
    TestMedium m(2, 'V');
    TwoDiscs(m);
    const Ended run = RunSilent(m, {m.Target(), "", m.Dir() / "log.txt", "/disc=all"});
    EXPECT_EQ(run.code, 6) << run;
    EXPECT_TRUE(Has(run.log, "disc 2 was not found")) << run;
    ExpectNothingRecorded(m);
  }
  {
    SCOPED_TRACE("only this disc, with no sound: the second disc is not needed");
    TestMedium m(2, 'V');
    TwoDiscs(m);
    EXPECT_EQ(RunSilent(m, {m.Target(), "program,data", "", "/disc=this"}).code, 0);
    EXPECT_TRUE(fs::FileExists(m.Target() + "game.exe"));
    EXPECT_FALSE(fs::FileExists(m.Target() + "bgm\\title.ogg"));
  }
  TestMedium m(1, 'V');
  testing_support::OneDiscSizes(m.settings, 100, 100);
  m.AddLoose(0, "game.exe", "game");
  m.AddEntry(0, {"a.txt", "entry bytes", false, kOld, 0});
  m.Write();
  const std::string log = m.Dir() / "log.txt";
  // Folders the uninstaller refuses to empty: an installation there could never be removed.
  const std::string windows = SystemFolder(CSIDL_WINDOWS), program_files = SystemFolder(CSIDL_PROGRAM_FILES),
                    profile = SystemFolder(CSIDL_PROFILE), documents = SystemFolder(CSIDL_PERSONAL);
  const auto in = [&](const std::string& folder) { return SilentInstall{folder, "", log}; };
  const auto with = [&](const std::string& more) { return SilentInstall{m.Target(), "", log, more}; };
  const std::string unusable = "このフォルダにはインストールできません: ";
  ASSERT_FALSE(windows.empty() || program_files.empty() || profile.empty() || documents.empty());
  const struct {
    const char* what;
    SilentInstall how;
    int code;
    std::string logged;  // "" when no log is written
    std::string refused_folder;  // where nothing may have been written
  } rows[] = {
      {"an unknown switch", with("/fast"), 2, "", ""},
      {"a value that is not one", with("/disc=some"), 2, "", ""},
      {"an uninstaller's switch", with("/deletesave"), 2, "インストールでは使えないスイッチです: /deletesave", ""},
      {"a relative folder", {"", "", log, "/dir=Games\\X"}, 7, "正しいインストール先を指定してください", ""},
      {"a drive root", {"", "", log, "/dir=C:\\"}, 7, "正しいインストール先を指定してください", ""},
      {"the Windows folder", in(windows), 7, unusable + windows, windows},
      {"a folder inside the Windows folder", in(windows + "\\Game\\"), 7, unusable + windows + "\\Game",
       windows + "\\Game"},
      {"Program Files itself", in(program_files + "\\"), 7, unusable + program_files, program_files},
      {"the user's profile", in(profile), 7, unusable + profile, profile},
      {"the user's documents", in(documents), 7, unusable + documents, documents},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    fs::EraseFile(log);
    const Ended run = RunSilent(m, row.how);
    EXPECT_EQ(run.code, row.code) << run;
    if (!row.logged.empty()) EXPECT_TRUE(Has(run.log, row.logged)) << run;
    else EXPECT_FALSE(fs::FileExists(log));
    ExpectNothingRecorded(m);
    if (!row.refused_folder.empty()) {
      EXPECT_FALSE(fs::FileExists(row.refused_folder + "\\game.exe"));
      EXPECT_FALSE(fs::FileExists(row.refused_folder + "\\install.dat"));
    }
  }
  {
    SCOPED_TRACE("a folder code page 932 cannot spell is refused, not changed into another");
    const std::wstring command = L"\"" + enc::Wide(m.Root()) + L"install.exe\" /silent \"/dir=" +
                                 enc::Wide(m.Dir().Path()) + L"\\Zo\u00EB\"";
    const testing_support::CapturedRun run =
        testing_support::RunWithOutputToFile(command, m.Dir().Path(), m.Dir() / "out.txt", kTimeout);
    ASSERT_TRUE(run.started);
    EXPECT_TRUE(run.ended) << "the run did not end by itself";
    EXPECT_EQ(run.exit_code, 2u);
    EXPECT_FALSE(fs::DirectoryExists(m.Dir() / "Zo?"));
    ExpectNothingRecorded(m);
  }
  {
    SCOPED_TRACE("no space: the package needs more than any drive has");
    m.settings.ProgramSize = m.settings.DiskProgramSize[0] = int64_t{1} << 50;
    m.Write();
    const Ended run = RunSilent(m, in(m.Target()));
    EXPECT_EQ(run.code, 5);
    EXPECT_TRUE(Has(run.log, "ドライブにじゅうぶんな空き容量がありません"));
    ExpectNothingRecorded(m);
    m.settings.ProgramSize = m.settings.DiskProgramSize[0] = 100;
    m.Write();
  }
  {
    SCOPED_TRACE("a data file that does not verify");
    std::string archive = ReadFileBytes(m.Disc(0) + "game.dat");
    archive[archive.find("entry bytes")] = 'E';
    testing_support::WriteFileBytes(m.Disc(0) + "game.dat", archive);
    const Ended run = RunSilent(m, in(m.Target()));
    EXPECT_EQ(run.code, 4);
    EXPECT_TRUE(Has(run.log, "ファイルの内容が正しくありません"));
    ExpectNothingRecorded(m);
  }
}

TEST(SilentRun, TheMediumHandsOverToACopyAndEndsWithTheCopysCode) {
  TestMedium m(2, 'K');
  TwoDiscs(m);
  const std::string log = m.Dir() / "log.txt", out = m.Dir() / "out.txt";
  // The second disc is nowhere: the copy ends with 6, and so does the run that was started.
  Process p = m.Start("/silent /disc=all \"/dir=" + m.Target() + "\" " + testing_support::LogSwitch(log), out);
  const DWORD copy_pid = driver::WaitForProgram(L"~zinstall.exe", kTimeout);
  EXPECT_NE(copy_pid, 0u) << "no temporary copy ran";
  ASSERT_TRUE(p.WaitExit(kTimeout)) << "the run did not end";
  EXPECT_EQ(p.ExitCode(), 6u) << LogText(log);
  const std::string text = LogText(log);
  EXPECT_TRUE(Has(text, "install.exe ~zinstall.exe")) << text;  // the copy wrote the log
  EXPECT_TRUE(Has(text, "disc 2 was not found")) << text;
  EXPECT_TRUE(Has(testing_support::OutputOf(out), "install stopped: a disc is missing")) << testing_support::OutputOf(out);
  ExpectNothingRecorded(m);
  // Found in the folder the switch names, the same hand-over ends with 0.
  EXPECT_EQ(RunSilent(m, {m.Target(), "", "", Discs(m.Disc(1))}).code, 0);
  EXPECT_EQ(ReadFileBytes(m.Target() + "bgm\\title.ogg"), "sound");
}

TEST(SilentRun, AFailingRunWithoutALogSaysWhyOnTheOutput) {
  TestMedium m(1, 'L');
  testing_support::OneDiscSizes(m.settings, 100);
  m.AddLoose(0, "game.exe", "game");
  m.Write();
  const struct {
    const char* what;
    SilentInstall how;
    int code;
    std::string said;
  } rows[] = {
      {"a relative folder", {"", "", "", "/dir=Games\\X"}, 7, "正しいインストール先を指定してください: Games\\X"},
      {"a value that is not one", {"", "", "", "/disc=some"}, 2, "/disc=some"},
      {"an uninstaller's switch", {"", "", "", "/deletesave"}, 2, "/deletesave"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const Ended run = RunSilent(m, row.how);
    EXPECT_EQ(run.code, row.code);
    EXPECT_TRUE(Has(run.output, row.said)) << run;
    ExpectNothingRecorded(m);
  }
}

TEST(SilentRun, SettingsThatWouldFailHalfWayEndWithExit9BeforeAnythingIsWritten) {
  const struct {
    const char* what;
    std::function<void(TZefoInstallSet&)> change;
    std::string logged;
  } rows[] = {
      // Once ended as "busy" (exit 8) without a word: no lock can be named after it.
      {"a title with a delimiter", [](TZefoInstallSet& s) { s.Title += "\\Part"; }, "Title: \""},
      {"a read-me named after a device", [](TZefoInstallSet& s) { s.ReadmeFile = "con.txt"; }, "ReadmeFile: \"con.txt\""},
      {"a registry key of one delimiter", [](TZefoInstallSet& s) { s.RegistryKey = "\\"; }, "RegistryKey: \"\\\""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    TestMedium m(1, 'W');
    testing_support::OneDiscSizes(m.settings, 4);
    m.AddLoose(0, "game.exe", "game");
    const std::string key = m.settings.RegistryKey;
    row.change(m.settings);
    m.Write();
    const Ended run = RunSilent(m, {m.Target(), "", m.Dir() / "log.txt"});
    EXPECT_EQ(run.code, 9) << run;
    EXPECT_TRUE(Has(run.log, "インストールできません")) << run;
    EXPECT_TRUE(Has(run.log, row.logged)) << run;
    EXPECT_FALSE(fs::DirectoryExists(m.Target()));
    EXPECT_FALSE(fs::DirectoryExists(m.GroupFolder()));
    EXPECT_FALSE(testing_support::KeyExists(key));
  }
  {
    SCOPED_TRACE("no game program is no error: no game shortcut, and nothing to start");
    TestMedium m(1, 'W');
    m.settings.GameExe = "";
    testing_support::OneDiscSizes(m.settings, 4);
    m.AddLoose(0, "data.txt", "data");
    m.Write();
    const Ended run = RunSilent(m, {m.Target(), "", m.Dir() / "log.txt"});
    ASSERT_EQ(run.code, 0) << run;
    EXPECT_EQ(ReadFileBytes(m.Target() + "data.txt"), "data");
    testing_support::ExpectGroup(m.settings, {m.settings.Title + "のアンインストール.lnk"});
    EXPECT_FALSE(m.settings.IsGameInstalled());
  }
}

TEST(SilentRun, ALaterDiscOfAnotherPackageIsTheWrongDisc) {
  // Disc 2 carries an add-on's settings of the same title: the copy is not
  // set up for it (it once crashed on the add-on's missing data file).
  TestMedium m(2, 'X');
  TwoDiscs(m);
  TZefoInstallSet disc2;
  disc2.LoadFromFile(m.Disc(1) + "install.dat");
  disc2.AddOn = 1;
  disc2.SaveToFile(m.Disc(1) + "install.dat");
  const Ended run = RunSilent(m, {m.Target(), "", m.Dir() / "log.txt", "/disc=all " + Discs(m.Disc(1))});
  EXPECT_EQ(run.code, 6) << run;
  EXPECT_TRUE(Has(run.log, m.Disc(1) + "install.dat is not of this package")) << run;
  EXPECT_TRUE(Has(run.log, "disc 2 was not found")) << run;
  ExpectNothingRecorded(m);
}

TEST(SilentRun, AShareIsJudgedByItsOwnFreeSpace) {
  TestMedium m(1, 'Y');
  testing_support::OneDiscSizes(m.settings, 4 << 20);
  m.AddLoose(0, "game.exe", std::string(4 << 20, 'g'));
  m.Write();
  const std::string share = m.Dir() / "share";
  ASSERT_TRUE(fs::MakeDirectories(share));
  const std::string name = "zi" + std::to_string(GetCurrentProcessId());
  if (!testing_support::PointShare("localhost", name, share)) GTEST_SKIP() << "Wine does not map \\\\localhost\\ here";
  const std::string root = "\\\\localhost\\" + name + "\\";
  // The share's root tells its own free space (a drive letter of it would not).
  ULARGE_INTEGER free{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(enc::Wide(root).c_str(), &free, nullptr, nullptr)) << GetLastError();
  EXPECT_GT(free.QuadPart, 4u << 20);

  const Ended run = RunSilent(m, {root + "game", "", m.Dir() / "log.txt"});
  EXPECT_EQ(run.code, 0) << run;
  EXPECT_FALSE(Has(run.log, "空き 0 MB")) << run;
  EXPECT_EQ(ReadFileBytes(share + "\\game\\game.exe"), std::string(4 << 20, 'g'));
  EXPECT_EQ(m.settings.ReadValue("InstallPath", ""), root + "game\\");
  testing_support::PointShare("localhost", name, "");
}

TEST(SilentRun, ARepairKeepsAWholeDataFileWithItsAddOnAndRebuildsADamagedOne) {
  TestMedium m(1, 'B');
  testing_support::OneDiscSizes(m.settings, 4, 20000);
  m.settings.CopyFiles.push_back("install.exe");
  m.AddLoose(0, "game.exe", "game");
  m.AddEntry(0, {"scene\\one.txt", std::string(20000, '1'), false, kOld, 0});
  m.Write();
  const std::string target = m.Target(), log = m.Dir() / "log.txt";
  ASSERT_EQ(RunSilent(m, {target, "", log}).code, 0);
  // What an add-on run leaves: its entries merged into the data file, its
  // names after the record's own.
  {
    testing_support::WriteFileBytes(m.Dir() / "addon.dat", BuildArchive(102, {{"extra\\voice.txt", "voice", false, kOld, 0}}));
    TVrFileCollection addon, data;
    addon.Open(m.Dir() / "addon.dat");
    data.Open(target + "game.dat", true);
    ASSERT_EQ(data.MergeFrom(addon), TVrFileCollection::TMergeResult::kWritten);
  }
  testing_support::WriteFileBytes(target + "extra.ogg", "add-on sound");
  TZefoInstallSet record;
  record.LoadFromFile(target + "install.dat");
  record.AddInstalledFile("extra.ogg");
  record.SaveToFile(target + "install.dat");
  const std::string identity = testing_support::FileIdentity(target + "game.dat");
  ASSERT_NE(identity, "");

  Ended run = RunSilent(m, {target, "", log});
  ASSERT_EQ(run.code, 0) << run;
  EXPECT_TRUE(Has(run.log, "データファイルを調べています")) << run;
  EXPECT_TRUE(Has(run.log, "game.dat is whole: kept")) << run;
  EXPECT_FALSE(Has(run.log, "has add-ons")) << run;
  EXPECT_EQ(testing_support::FileIdentity(target + "game.dat"), identity);
  testing_support::ExpectDataFile(target + "game.dat", {{"scene\\one.txt", std::string(20000, '1')}, {"extra\\voice.txt", "voice"}});
  testing_support::ExpectRecorded(target, {"game.exe", "install.exe", "game.ext", "game.dat", "install.dat", "extra.ogg"});
  // The kept data file counts in the size, though nothing of it was copied.
  testing_support::ExpectUninstallEntry(m.settings, target, (ReadFileBytes(target + "install.exe").size() + 20004) / 1024);

  // A byte of the first entry damaged: built again, and the add-on's data goes with it.
  std::string bytes = ReadFileBytes(target + "game.dat");
  bytes[10] ^= 0x40;
  testing_support::WriteFileBytes(target + "game.dat", bytes);
  run = RunSilent(m, {target, "", log});
  ASSERT_EQ(run.code, 0) << run;
  EXPECT_TRUE(Has(run.log, "データファイルが壊れているので、作りなおしています")) << run;
  EXPECT_TRUE(Has(run.log, "has add-ons (1 files, such as extra.ogg)")) << run;
  testing_support::ExpectDataFile(target + "game.dat", {{"scene\\one.txt", std::string(20000, '1')}});
  EXPECT_EQ(ReadFileBytes(target + "game.dat").size(), 20000u);  // the add-on's entry went with the old file
  testing_support::ExpectRecorded(target, {"game.exe", "install.exe", "game.ext", "game.dat", "install.dat"});
}
