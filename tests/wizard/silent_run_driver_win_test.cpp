// Unattended installs and uninstalls under Wine: install.exe started with
// switches, as an administrator's script starts it; every result read back
// from the disk, the registry, the system's list of installed programs and
// the run's log, and every way such a run ends told by its exit code.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>

#include "common/archive_fixture.h"
#include "archive/vrfiles.h"
#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/medium_win.h"
#include "common/output_capture_win.h"
#include "common/temp_dir.h"
#include "os/registry_win.h"

using driver::Process;
using testing_support::OutputOf;
using testing_support::ReadFileBytes;
using testing_support::TestMedium;

namespace {

constexpr int kTimeout = 60000;
constexpr int32_t kOld = 0x5A213C40;
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\zinstall ";

// Runs the program to its end; its exit code, or -1 when it did not end.
int RunToEnd(const Process& p) { return p.WaitExit(kTimeout) ? static_cast<int>(p.ExitCode()) : -1; }

std::string LogText(const std::string& file) {
  return fs::FileExists(file) ? enc::Utf8ToSjis(ReadFileBytes(file)) : "<no log>";
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// What the system's own uninstaller lists, one program per line.
std::string InstalledProgramsList() {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE read = nullptr, write = nullptr;
  if (!CreatePipe(&read, &write, &sa, 0)) return "";
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = write;
  PROCESS_INFORMATION pi{};
  std::wstring line = L"uninstaller.exe --list";
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &si, &pi);
  CloseHandle(write);
  std::string out;
  if (started) {
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(read, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    WaitForSingleObject(pi.hProcess, kTimeout);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  CloseHandle(read);
  return out;
}

std::string UninstallValue(const TZefoInstallSet& s, const std::string& name) {
  const RegKey key = RegKey::Open(HKEY_CURRENT_USER, kUninstallKey + s.Title, KEY_READ);
  std::string value;
  return key.QueryString(name, &value) ? value : "<none>";
}

DWORD UninstallDword(const TZefoInstallSet& s, const std::string& name) {
  DWORD value = 0xFFFFFFFF, size = sizeof value;
  RegGetValueW(HKEY_CURRENT_USER, enc::Wide(kUninstallKey + s.Title).c_str(), enc::Wide(name).c_str(), RRF_RT_DWORD,
               nullptr, &value, &size);
  return value;
}

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

void ExpectNothingInstalled(const TestMedium& m) {
  EXPECT_FALSE(fs::FileExists(m.Target() + "install.dat"));
  EXPECT_EQ(m.settings.ReadValue("InstallPath", "<none>"), "<none>");
  EXPECT_EQ(UninstallValue(m.settings, "DisplayName"), "<none>");
}

}  // namespace

// Each test has a drive of its own: they run beside the wizard's tests, which use M:.
TEST(SilentRun, TwoDiscsInstalledListedAndUninstalledWithLogs) {
  TestMedium m(2, 'S');
  TwoDiscs(m);
  const TZefoInstallSet& s = m.settings;
  const std::string log = m.Dir() / "install log.txt";
  // The second disc is not in the drive: it is found in the folder the switch names.
  const int code = RunToEnd(m.Start("/silent \"/dir=" + RemoveTrailingDelimiter(m.Target()) + "\" \"/discs=" +
                                    m.Dir() / "nowhere;" + m.Disc(1) + "\" \"/log=" + log + "\""));
  const std::string text = LogText(log);
  ASSERT_EQ(code, 0) << text;
  EXPECT_EQ(ReadFileBytes(m.Target() + "game.exe"), std::string(20000, 'g'));
  EXPECT_EQ(ReadFileBytes(m.Target() + "bgm\\title.ogg"), "sound");
  EXPECT_TRUE(fs::FileExists(m.Target() + "install.exe"));
  {
    TVrFileCollection data;
    data.Open(m.Target() + "game.dat");
    EXPECT_GE(data.IndexOf("scene\\one.txt"), 0);
    EXPECT_GE(data.IndexOf("scene\\two.txt"), 0);
  }
  EXPECT_EQ(s.ReadValue("InstallPath", ""), m.Target());
  EXPECT_TRUE(fs::FileExists(m.GroupFolder() + s.Title + ".lnk"));

  // The log: every step, every file, the disc search, the end.
  EXPECT_TRUE(Has(text, "silent install of " + s.Title));
  EXPECT_TRUE(Has(text, "copied game.exe"));
  EXPECT_TRUE(Has(text, "copied bgm\\title.ogg"));
  EXPECT_TRUE(Has(text, "disc 2: looking in " + m.Dir() / "nowhere"));
  EXPECT_TRUE(Has(text, "disc 2: looking in " + m.Disc(1)));
  EXPECT_TRUE(Has(text, "データファイルをチェックしています"));
  EXPECT_TRUE(Has(text, "listed among the installed programs"));
  EXPECT_TRUE(Has(text, "install finished"));
  EXPECT_TRUE(Has(ReadFileBytes(log), "] "));  // stamped lines

  // Listed among the installed programs.
  const std::string exe = m.Target() + "install.exe";
  EXPECT_EQ(UninstallValue(s, "DisplayName"), s.Title);
  EXPECT_EQ(UninstallValue(s, "UninstallString"), "\"" + exe + "\"");
  EXPECT_EQ(UninstallValue(s, "QuietUninstallString"), "\"" + exe + "\" /silent");
  EXPECT_EQ(UninstallValue(s, "DisplayIcon"), exe + ",1");
  EXPECT_EQ(UninstallValue(s, "InstallLocation"), m.Target());
  EXPECT_EQ(UninstallDword(s, "NoModify"), 1u);
  EXPECT_EQ(UninstallDword(s, "NoRepair"), 1u);
  EXPECT_GE(UninstallDword(s, "EstimatedSize"), 40u);  // KiB of 60,000 bytes and more
  EXPECT_TRUE(Has(InstalledProgramsList(), s.Title));

  {
    SCOPED_TRACE("a repair from a medium whose program cannot be read keeps the installed program");
    const std::string again = "/silent \"/dir=" + m.Target() + "\" \"/discs=" + m.Disc(1) + "\" \"/log=" + log + "\"";
    // The medium's game.exe is a file the system fails to read (a Unix link
    // to /proc/self/mem: the kernel refuses its first bytes).
    const std::string medium_exe = m.Disc(0) + "game.exe";
    fs::EraseFile(medium_exe);
    ASSERT_TRUE(testing_support::RunHostCommand("/bin/ln", {"-s", "/proc/self/mem", testing_support::HostPathOf(medium_exe)}));
    EXPECT_EQ(RunToEnd(m.Start(again)), 1) << LogText(log);
    EXPECT_TRUE(Has(LogText(log), "を読み込めません")) << LogText(log);
    EXPECT_EQ(ReadFileBytes(m.Target() + "game.exe"), std::string(20000, 'g'));
    EXPECT_FALSE(fs::FileExists(m.Target() + "game.exe.~zi"));
    // Readable again (a newer build of it), the same repair ends well and replaces it.
    ASSERT_TRUE(testing_support::RunHostCommand("/bin/rm", {testing_support::HostPathOf(medium_exe)}));
    testing_support::WriteFileBytes(medium_exe, std::string(20000, 'h'));
    ASSERT_EQ(RunToEnd(m.Start(again)), 0) << LogText(log);
    EXPECT_EQ(ReadFileBytes(m.Target() + "game.exe"), std::string(20000, 'h'));
  }

  // The quiet uninstall command, run as the system's list would run it; the save data asked to go too.
  testing_support::WriteFileBytes(m.Target() + "save.dat", "saved");
  const std::string log2 = m.Dir() / "uninstall.txt";
  Process u = Process::Start(exe, "/silent /deletesave \"/log=" + log2 + "\"", {{L"TEMP", enc::Wide(m.Temp())}, {L"TMP", enc::Wide(m.Temp())}},
                             m.Target());
  ASSERT_EQ(RunToEnd(u), 0) << LogText(log2);
  const std::string text2 = LogText(log2);
  EXPECT_TRUE(Has(text2, "deleted: game.exe"));
  EXPECT_TRUE(Has(text2, "deleted: game.dat"));
  EXPECT_TRUE(Has(text2, "deleted: save.dat"));
  EXPECT_TRUE(Has(text2, "the folder is gone")) << text2;
  EXPECT_FALSE(fs::DirectoryExists(m.Target()));
  EXPECT_EQ(s.ReadValue("InstallPath", "<none>"), "<none>");
  EXPECT_FALSE(fs::DirectoryExists(m.GroupFolder()));
  EXPECT_EQ(UninstallValue(s, "DisplayName"), "<none>");
  EXPECT_FALSE(Has(InstalledProgramsList(), s.Title));
}

TEST(SilentRun, EveryFailureEndsWithItsCodeAndReasonAndRecordsNothing) {
  {
    SCOPED_TRACE("the second disc nowhere");
    TestMedium m(2, 'V');
    TwoDiscs(m);
    const std::string log = m.Dir() / "log.txt";
    EXPECT_EQ(RunToEnd(m.Start("/silent /disc=all \"/dir=" + m.Target() + "\" \"/log=" + log + "\"")), 6) << LogText(log);
    EXPECT_TRUE(Has(LogText(log), "disc 2 was not found")) << LogText(log);
    ExpectNothingInstalled(m);
  }
  {
    SCOPED_TRACE("only this disc, with no sound: the second disc is not needed");
    TestMedium m(2, 'V');
    TwoDiscs(m);
    EXPECT_EQ(RunToEnd(m.Start("/silent /disc=this /components=program,data \"/dir=" + m.Target() + "\"")), 0);
    EXPECT_TRUE(fs::FileExists(m.Target() + "game.exe"));
    EXPECT_FALSE(fs::FileExists(m.Target() + "bgm\\title.ogg"));
  }
  TestMedium m(1, 'V');
  m.settings.ProgramSize = m.settings.DiskProgramSize[0] = 100;
  m.settings.DataSize = m.settings.DiskDataSize[0] = 100;
  m.AddLoose(0, "game.exe", "game");
  m.AddEntry(0, {"a.txt", "entry bytes", false, kOld, 0});
  m.Write();
  const std::string log = m.Dir() / "log.txt";
  const std::string to = " \"/dir=" + m.Target() + "\" \"/log=" + log + "\"";
  // Folders the uninstaller refuses to empty: an installation there could never be removed.
  const std::string windows = SystemFolder(CSIDL_WINDOWS), program_files = SystemFolder(CSIDL_PROGRAM_FILES),
                    profile = SystemFolder(CSIDL_PROFILE), documents = SystemFolder(CSIDL_PERSONAL);
  const auto in = [&](const std::string& folder) { return "/silent \"/dir=" + folder + "\" \"/log=" + log + "\""; };
  const std::string unusable = "このフォルダにはインストールできません: ";
  ASSERT_FALSE(windows.empty() || program_files.empty() || profile.empty() || documents.empty());
  const struct {
    const char* what;
    std::string args;
    int code;
    std::string logged;  // "" when no log is written
    std::string refused_folder;  // where nothing may have been written
  } rows[] = {
      {"an unknown switch", "/silent /fast" + to, 2, "", ""},
      {"a value that is not one", "/silent /disc=some" + to, 2, "", ""},
      {"an uninstaller's switch", "/silent /deletesave" + to, 2, "インストールでは使えないスイッチです: /deletesave", ""},
      {"a relative folder", "/silent /dir=Games\\X \"/log=" + log + "\"", 7, "正しいインストール先を指定してください", ""},
      {"a drive root", "/silent /dir=C:\\ \"/log=" + log + "\"", 7, "正しいインストール先を指定してください", ""},
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
    EXPECT_EQ(RunToEnd(m.Start(row.args)), row.code) << LogText(log);
    if (!row.logged.empty()) EXPECT_TRUE(Has(LogText(log), row.logged)) << LogText(log);
    else EXPECT_FALSE(fs::FileExists(log));
    ExpectNothingInstalled(m);
    if (!row.refused_folder.empty()) {
      EXPECT_FALSE(fs::FileExists(row.refused_folder + "\\game.exe"));
      EXPECT_FALSE(fs::FileExists(row.refused_folder + "\\install.dat"));
    }
  }
  {
    SCOPED_TRACE("a folder code page 932 cannot spell is refused, not changed into another");
    std::wstring command = L"\"" + enc::Wide(m.Root()) + L"install.exe\" /silent \"/dir=" + enc::Wide(m.Dir().Path()) +
                           L"\\Zo\u00EB\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    DWORD code = 0;
    if (WaitForSingleObject(pi.hProcess, kTimeout) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "the run did not end by itself";
      TerminateProcess(pi.hProcess, 255);
      WaitForSingleObject(pi.hProcess, kTimeout);
    }
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(code, 2u);
    EXPECT_FALSE(fs::DirectoryExists(m.Dir() / "Zo?"));
    ExpectNothingInstalled(m);
  }
  {
    SCOPED_TRACE("no space: the package needs more than any drive has");
    m.settings.ProgramSize = m.settings.DiskProgramSize[0] = int64_t{1} << 50;
    m.Write();
    EXPECT_EQ(RunToEnd(m.Start("/silent" + to)), 5);
    EXPECT_TRUE(Has(LogText(log), "ドライブにじゅうぶんな空き容量がありません"));
    ExpectNothingInstalled(m);
    m.settings.ProgramSize = m.settings.DiskProgramSize[0] = 100;
    m.Write();
  }
  {
    SCOPED_TRACE("a data file that does not verify");
    std::string archive = ReadFileBytes(m.Disc(0) + "game.dat");
    archive[archive.find("entry bytes")] = 'E';
    testing_support::WriteFileBytes(m.Disc(0) + "game.dat", archive);
    EXPECT_EQ(RunToEnd(m.Start("/silent" + to)), 4);
    EXPECT_TRUE(Has(LogText(log), "ファイルの内容が正しくありません"));
    ExpectNothingInstalled(m);
  }
}

TEST(SilentRun, TheMediumHandsOverToACopyAndEndsWithTheCopysCode) {
  TestMedium m(2, 'K');
  TwoDiscs(m);
  const std::string log = m.Dir() / "log.txt", out = m.Dir() / "out.txt";
  // The second disc is nowhere: the copy ends with 6, and so does the run that was started.
  Process p = m.Start("/silent /disc=all \"/dir=" + m.Target() + "\" \"/log=" + log + "\"", out);
  const DWORD copy_pid = driver::WaitForProgram(L"~zinstall.exe", kTimeout);
  EXPECT_NE(copy_pid, 0u) << "no temporary copy ran";
  EXPECT_EQ(RunToEnd(p), 6) << LogText(log);
  const std::string text = LogText(log);
  EXPECT_TRUE(Has(text, "install.exe ~zinstall.exe")) << text;  // the copy wrote the log
  EXPECT_TRUE(Has(text, "disc 2 was not found")) << text;
  EXPECT_TRUE(Has(OutputOf(out), "install stopped: a disc is missing")) << OutputOf(out);
  ExpectNothingInstalled(m);
  // Found in the folder the switch names, the same hand-over ends with 0.
  EXPECT_EQ(RunToEnd(m.Start("/silent \"/dir=" + m.Target() + "\" \"/discs=" + m.Disc(1) + "\"")), 0);
  EXPECT_EQ(ReadFileBytes(m.Target() + "bgm\\title.ogg"), "sound");
}

TEST(SilentRun, AFailingRunWithoutALogSaysWhyOnTheOutput) {
  TestMedium m(1, 'L');
  m.settings.ProgramSize = m.settings.DiskProgramSize[0] = 100;
  m.AddLoose(0, "game.exe", "game");
  m.Write();
  const std::string out = m.Dir() / "out.txt";
  const struct {
    const char* what;
    std::string args;
    int code;
    std::string said;
  } rows[] = {
      {"a relative folder", "/silent /dir=Games\\X", 7, "正しいインストール先を指定してください: Games\\X"},
      {"a value that is not one", "/silent /disc=some", 2, "/disc=some"},
      {"an uninstaller's switch", "/silent /deletesave", 2, "/deletesave"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(RunToEnd(m.Start(row.args, out)), row.code);
    EXPECT_TRUE(Has(OutputOf(out), row.said)) << OutputOf(out);
    ExpectNothingInstalled(m);
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
    m.settings.ProgramSize = m.settings.DiskProgramSize[0] = 4;
    m.AddLoose(0, "game.exe", "game");
    const std::string key = m.settings.RegistryKey;
    row.change(m.settings);
    m.Write();
    const std::string log = m.Dir() / "log.txt";
    EXPECT_EQ(RunToEnd(m.Start("/silent \"/dir=" + m.Target() + "\" \"/log=" + log + "\"")), 9) << LogText(log);
    EXPECT_TRUE(Has(LogText(log), "インストールできません")) << LogText(log);
    EXPECT_TRUE(Has(LogText(log), row.logged)) << LogText(log);
    EXPECT_FALSE(fs::DirectoryExists(m.Target()));
    EXPECT_FALSE(fs::DirectoryExists(m.GroupFolder()));
    EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, "Software\\" + key, KEY_READ).IsOpen());
  }
  {
    SCOPED_TRACE("no game program is no error: no game shortcut, and nothing to start");
    TestMedium m(1, 'W');
    m.settings.GameExe = "";
    m.settings.ProgramSize = m.settings.DiskProgramSize[0] = 4;
    m.AddLoose(0, "data.txt", "data");
    m.Write();
    const std::string log = m.Dir() / "log.txt";
    ASSERT_EQ(RunToEnd(m.Start("/silent \"/dir=" + m.Target() + "\" \"/log=" + log + "\"")), 0) << LogText(log);
    EXPECT_EQ(ReadFileBytes(m.Target() + "data.txt"), "data");
    EXPECT_TRUE(fs::FileExists(m.GroupFolder() + m.settings.Title + "のアンインストール.lnk"));
    EXPECT_FALSE(fs::FileExists(m.GroupFolder() + m.settings.Title + ".lnk"));
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
  const std::string log = m.Dir() / "log.txt";
  EXPECT_EQ(RunToEnd(m.Start("/silent /disc=all \"/dir=" + m.Target() + "\" \"/discs=" + m.Disc(1) + "\" \"/log=" + log +
                             "\"")),
            6)
      << LogText(log);
  EXPECT_TRUE(Has(LogText(log), m.Disc(1) + "install.dat is not of this package")) << LogText(log);
  EXPECT_TRUE(Has(LogText(log), "disc 2 was not found")) << LogText(log);
  ExpectNothingInstalled(m);
}

TEST(SilentRun, AShareIsJudgedByItsOwnFreeSpace) {
  TestMedium m(1, 'Y');
  m.settings.ProgramSize = m.settings.DiskProgramSize[0] = 4 << 20;
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

  const std::string log = m.Dir() / "log.txt";
  const int code = RunToEnd(m.Start("/silent \"/dir=" + root + "game\" \"/log=" + log + "\""));
  EXPECT_EQ(code, 0) << LogText(log);
  EXPECT_FALSE(Has(LogText(log), "空き 0 MB")) << LogText(log);
  EXPECT_EQ(ReadFileBytes(share + "\\game\\game.exe"), std::string(4 << 20, 'g'));
  EXPECT_EQ(m.settings.ReadValue("InstallPath", ""), root + "game\\");
  testing_support::PointShare("localhost", name, "");
}
