// Administrator rights when the chosen folder needs them, worked from outside.
// Wine grants every right, so two things are made here: a folder no process
// of the prefix can create anything in (the host marks it immutable; Wine
// reports the refusal as access denied), and a run without elevation (the
// program is started with the limited token linked to the test's own, as an
// administrator's programs start on Windows). Wine's "runas" starts the
// program without raising its token; what the restart does with the
// choices it is given is what shows here.
#include <windows.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/package_win.h"
#include "common/scenario_win.h"
#include "forms/message_dialog_win.h"
#include "os/elevation_win.h"
#include "install/elevation.h"

using driver::Process;
using testing_support::Has;
using testing_support::kTimeout;
using testing_support::ReadFileBytes;
using testing_support::TestMedium;
using testing_support::TestPackage;
using testing_support::Wizard;
using testing_support::WriteFileBytes;

namespace {

// A folder whose contents stay as they are: creating anything in it is
// refused. Named for the environment's clean-up, which unmarks such folders
// a test left behind.
class LockedFolder {
 public:
  explicit LockedFolder(const std::string& parent) : folder_(AddTrailingDelimiter(parent) + "admin-only\\") {
    fs::MakeDirectories(folder_);
    host_ = testing_support::HostPathOf(RemoveTrailingDelimiter(folder_));
    locked_ = Mark(true) && !CreateDirectoryW(enc::Wide(folder_ + "trial").c_str(), nullptr) &&
              GetLastError() == ERROR_ACCESS_DENIED;
  }
  ~LockedFolder() { Mark(false); }
  LockedFolder(const LockedFolder&) = delete;
  LockedFolder& operator=(const LockedFolder&) = delete;

  bool Locked() const { return locked_; }
  const std::string& Folder() const { return folder_; }
  // Makes a file in it before locking it again (an installation's files).
  void Put(const std::string& name, const std::string& bytes) {
    Mark(false);
    WriteFileBytes(folder_ + name, bytes);
    Mark(true);
  }

 private:
  bool Mark(bool locked) const {
    return !host_.empty() && testing_support::RunHostCommand("/usr/bin/chattr", {locked ? "+i" : "-i", host_});
  }
  std::string folder_, host_;
  bool locked_ = false;
};

#define SKIP_UNLESS_LOCKED(folder) \
  if (!(folder).Locked()) GTEST_SKIP() << "the host cannot make an immutable folder here (chattr needs root)"

void WriteOneDisc(TestMedium& m) {
  TZefoInstallSet& s = m.settings;
  s.ProgramSize = s.DiskProgramSize[0] = 1000;
  s.DataSize = s.DiskDataSize[0] = 1000;
  s.SoundSize = s.DiskSoundSize[0] = 1000;
  m.AddLoose(0, "game.exe", "game");
  m.AddLoose(0, "bgm\\a.ogg", "sound");
  m.Write();
}

// The other running install.exe: the restart the run `except` started.
DWORD RestartOf(DWORD except) {
  DWORD found = 0;
  driver::WaitUntil(
      [&] {
        for (const auto& [name, pid] : driver::RunningPrograms())
          if (_wcsicmp(name.c_str(), L"install.exe") == 0 && pid != except) found = pid;
        return found != 0;
      },
      kTimeout);
  return found;
}

// The command line a process was started with, read from its process
// parameters as the system keeps them ("" when they cannot be read).
std::wstring CommandLineOf(DWORD pid) {
  using Query = LONG(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!query || !process) return {};
  std::wstring line;
  PROCESS_BASIC_INFORMATION basic = {};
  PEB peb = {};
  RTL_USER_PROCESS_PARAMETERS parameters = {};
  if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) >= 0 &&
      ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) &&
      ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr)) {
    line.resize(parameters.CommandLine.Length / sizeof(wchar_t));
    if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, line.data(), parameters.CommandLine.Length, nullptr))
      line.clear();
  }
  CloseHandle(process);
  return line;
}

}  // namespace

TEST(Elevation, TheWizardAsksAndARestartWithRightsContinuesOnTheConfirmationPage) {
  TestMedium m(1, 'G');
  WriteOneDisc(m);
  LockedFolder locked(m.Dir() / "programs");
  SKIP_UNLESS_LOCKED(locked);
  const std::string target = locked.Folder() + "Game\\";
  const std::string log = m.Dir() / "run.log";

  Process p = m.Start("\"" + m.Root() + "\" /log=\"" + log + "\"", "", /*limited_rights=*/true);
  Wizard w(p);
  ASSERT_NO_FATAL_FAILURE(testing_support::WalkToFolderPage(w, {/*data=*/true}));
  w.SetText(kIdEditDir, enc::Wide(RemoveTrailingDelimiter(target)));

  // No: the folder page stays, for another folder.
  w.Click(kIdBtnNext);
  driver::MessageDialogContent question = w.Answer(IDNO);
  EXPECT_EQ(question.caption, L"確認");
  EXPECT_EQ(question.text, enc::Wide(ElevationQuestion(target, false)));
  EXPECT_EQ(question.buttons, (std::vector<std::wstring>{L"はい(&Y)", L"いいえ(&N)"}));
  EXPECT_TRUE(w.WaitForCaption(L"インストール先の選択"));

  // Yes: this run's wizard closes and the restart opens where it was.
  w.Click(kIdBtnNext);
  EXPECT_EQ(w.Answer(IDYES).text, question.text);
  const DWORD restart = RestartOf(p.Id());
  ASSERT_NE(restart, 0u);
  Wizard e(restart);
  ASSERT_TRUE(e.Found());
  EXPECT_TRUE(e.WaitForCaption(L"インストール準備完了"));
  EXPECT_TRUE(driver::WaitUntil([&] { return !IsWindow(w.Form()); }, kTimeout)) << "the first wizard stays";
  EXPECT_TRUE(p.Running()) << "a run with /log waits for the restart's exit code";
  const std::string sid = CurrentAccountSid();
  // The restart is the same program for the same medium, with the choices and the asking account.
  const std::wstring command_line = CommandLineOf(restart);
  EXPECT_EQ(command_line.find(L"\"" + enc::Wide(m.Root()) + L"install.exe\" \"" + enc::Wide(m.Root()) + L"\""), 0u)
      << enc::Narrow(command_line);
  for (const std::string& word : {"/elevated=" + sid, "/dir=" + RemoveTrailingDelimiter(target),
                                  std::string("/components=program,data"), std::string("/disc=this"), "/log=" + log})
    EXPECT_NE(command_line.find(L"\"" + enc::Wide(word) + L"\""), std::wstring::npos) << word;

  // The choices came along: the folder and the components.
  e.Click(kIdBtnBack);
  ASSERT_TRUE(e.WaitForCaption(L"インストール先の選択"));
  EXPECT_EQ(e.Text(kIdEditDir), enc::Wide(RemoveTrailingDelimiter(target)));
  e.Click(kIdBtnBack);
  ASSERT_TRUE(e.WaitForCaption(L"インストールするファイル"));
  EXPECT_TRUE(e.Checked(kIdCheckData));
  EXPECT_FALSE(e.Checked(kIdCheckSound));
  e.Click(kIdBtnNext);
  ASSERT_TRUE(e.WaitForCaption(L"インストール先の選択"));

  // The restart never asks again, though Wine gave it no more rights: the
  // work says what failed, and the first run ends with the restart's code.
  e.Click(kIdBtnNext);
  ASSERT_TRUE(e.WaitForCaption(L"インストール準備完了"));
  EXPECT_EQ(driver::WaitForWindow(restart, kMessageDialogClass, 300), nullptr);
  e.Click(kIdBtnNext);
  const driver::MessageDialogContent failure = e.Answer(IDOK);
  EXPECT_EQ(failure.text, L"ディレクトリを作成できませんでした");
  ASSERT_TRUE(p.WaitExit(kTimeout));
  EXPECT_EQ(p.ExitCode(), 1u);

  const std::string text = ReadFileBytes(log);
  EXPECT_TRUE(Has(text, ElevationRefusal(target, false))) << text;
  EXPECT_TRUE(Has(text, "\"/elevated=" + sid + "\"")) << text;
  EXPECT_TRUE(Has(text, "this run ends; the run with administrator rights continues")) << text;
  // The restart's own lines follow in the same log.
  const size_t handed = text.find("this run ends");
  EXPECT_NE(text.find("install.exe install.exe", handed), std::string::npos) << text;
  EXPECT_NE(text.find(enc::SjisToUtf8("ディレクトリを作成できませんでした"), handed), std::string::npos) << text;
}

TEST(Elevation, UnattendedRunsNeverAskAndEndWith7) {
  TestMedium m(1, 'H');
  WriteOneDisc(m);
  LockedFolder locked(m.Dir() / "programs");
  SKIP_UNLESS_LOCKED(locked);
  const std::string target = locked.Folder() + "Game\\";
  const std::string log = m.Dir() / "silent.log";
  const std::string switches = " /silent /dir=\"" + RemoveTrailingDelimiter(target) + "\" /log=\"" + log + "\"";

  Process p = m.Start(switches, "", /*limited_rights=*/true);
  ASSERT_TRUE(p.WaitExit(kTimeout));
  EXPECT_EQ(p.ExitCode(), 7u);
  EXPECT_EQ(driver::TopWindows(p.Id()).size(), 0u);
  std::string text = ReadFileBytes(log);
  EXPECT_TRUE(Has(text, ElevationRefusal(target, false))) << text;
  EXPECT_FALSE(fs::DirectoryExists(target));

  // Elevated (Wine's own token): nothing to gain from asking, so the work
  // itself fails on the folder, as it did before.
  Process elevated = m.Start(switches);
  ASSERT_TRUE(elevated.WaitExit(kTimeout));
  EXPECT_EQ(elevated.ExitCode(), 7u);
  text = ReadFileBytes(log);
  EXPECT_FALSE(Has(text, "administrator rights")) << text;
  EXPECT_TRUE(Has(text, "a folder could not be created")) << text;
}

TEST(Elevation, TheUninstallerAsksAndItsRestartKeepsTheSaveDataChoice) {
  TestPackage pkg("installed-admin-only");
  TZefoInstallSet& s = pkg.settings;
  s.UninstallMode = 1;
  s.RegistryKey = testing_support::UniqueName("Maker") + "\\Game";
  for (const char* name : {"game.exe", "install.exe", "install.dat"}) s.InstalledFiles.push_back(name);
  WriteFileBytes(pkg.Folder() + "game.exe", "game");
  WriteFileBytes(pkg.Folder() + "save.dat", "save");
  pkg.WriteSettings();
  LockedFolder locked(pkg.Dir() / "keep");  // only to know the host can lock
  SKIP_UNLESS_LOCKED(locked);
  const std::string host = testing_support::HostPathOf(RemoveTrailingDelimiter(pkg.Folder()));
  ASSERT_TRUE(testing_support::RunHostCommand("/usr/bin/chattr", {"+i", host}));
  struct Unlock {
    std::string host;
    ~Unlock() { testing_support::RunHostCommand("/usr/bin/chattr", {"-i", host}); }
  } unlock{host};

  // An unattended uninstall without rights ends before deleting anything.
  const std::string log = pkg.Dir() / "uninstall.log";
  Process limited = driver::Process::Start(pkg.Exe(), "/silent /log=\"" + log + "\"",
                                           {{L"TEMP", enc::Wide(pkg.Temp())}, {L"TMP", enc::Wide(pkg.Temp())}}, "", L"",
                                           "", /*limited_rights=*/true);
  ASSERT_TRUE(limited.WaitExit(kTimeout));
  EXPECT_EQ(limited.ExitCode(), 7u);
  EXPECT_TRUE(Has(ReadFileBytes(log), ElevationRefusal(pkg.Folder(), true))) << ReadFileBytes(log);
  EXPECT_TRUE(fs::FileExists(pkg.Folder() + "game.exe"));

  // The wizard (the role of the uninstaller's temporary copy) asks on page 7.
  Process p = driver::Process::Start(pkg.Exe(), "\"" + pkg.Folder() + "\"",
                                     {{L"TEMP", enc::Wide(pkg.Temp())}, {L"TMP", enc::Wide(pkg.Temp())}}, "", L"", "",
                                     /*limited_rights=*/true);
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  ASSERT_TRUE(w.WaitForCaption(L"アンインストール"));
  ASSERT_TRUE(w.Visible(kIdCheckDelSave));
  w.Click(kIdCheckDelSave);
  w.Click(kIdBtnNext);
  EXPECT_EQ(w.Answer(IDYES).text, enc::Wide(ElevationQuestion(pkg.Folder(), true)));
  const DWORD restart = RestartOf(p.Id());
  ASSERT_NE(restart, 0u);
  Wizard e(restart);
  ASSERT_TRUE(e.Found());
  ASSERT_TRUE(e.WaitForCaption(L"アンインストール"));
  EXPECT_TRUE(e.Checked(kIdCheckDelSave));
  EXPECT_TRUE(p.WaitExit(kTimeout)) << "without a switch asking for a code, the first run ends at once";
  e.Click(kIdBtnAbort);
  EXPECT_EQ(e.Answer(IDYES).text, L"アンインストールを中断しますか？");
  EXPECT_TRUE(driver::WaitUntil([&] { return !IsWindow(e.Form()); }, kTimeout));
  EXPECT_TRUE(fs::FileExists(pkg.Folder() + "save.dat"));
}

TEST(Elevation, ARestartUnderAnotherAccountSaysSoAndAHandedFolderIsJudgedAgain) {
  TestMedium m(1, 'J');
  WriteOneDisc(m);
  const std::string target = m.Target();
  const std::string other = "S-1-5-21-1-2-3-1001";
  ASSERT_NE(CurrentAccountSid(), other);

  Process p = m.Start("\"" + m.Root() + "\" /elevated=" + other + " /dir=\"" + RemoveTrailingDelimiter(target) +
                      "\" /components=program,sound /disc=this");
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  ASSERT_TRUE(w.WaitForCaption(L"インストール準備完了"));
  w.Click(kIdBtnNext);
  const driver::MessageDialogContent warning = w.Answer(IDNO);
  EXPECT_EQ(warning.caption, L"警告");
  EXPECT_EQ(warning.text, enc::Wide(OtherAccountWarning(AccountName(CurrentAccountSid()), false)));
  EXPECT_TRUE(w.WaitForCaption(L"インストール準備完了"));
  EXPECT_FALSE(fs::DirectoryExists(target));
  w.Click(kIdBtnAbort);
  w.Answer(IDYES);
  ASSERT_TRUE(p.WaitExit(kTimeout));

  // A folder the folder page would refuse does not open the confirmation
  // page, however it came.
  Process windows = m.Start("\"" + m.Root() + "\" /elevated=" + CurrentAccountSid() + " /dir=C:\\windows");
  Wizard v(windows);
  ASSERT_TRUE(v.Found());
  ASSERT_TRUE(v.WaitForCaption(L"インストール先の選択"));
  v.Click(kIdBtnNext);
  EXPECT_EQ(v.Answer(IDOK).caption, L"警告");
  EXPECT_TRUE(v.WaitForCaption(L"インストール先の選択"));
  v.Click(kIdBtnAbort);
  v.Answer(IDYES);
  EXPECT_TRUE(windows.WaitExit(kTimeout));
}
