// A game's whole life under Wine, worked from outside as a user would: the
// launcher on a medium drive starts the installed game, the program on the
// medium keeps out of the way while the game runs, the installation removes
// itself through its temporary copy, and the launcher then knows the game is
// gone.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/package_win.h"
#include "common/run_tool.h"
#include "common/windriver_win.h"
#include "forms/form_win.h"
#include "launcher/running_game.h"
#include "launcher/start_win.h"
#include "os/files_win.h"
#include "wizard/insttype_win.h"

using driver::Process;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

constexpr int kTimeout = 20000;
// Drive Q: is a folder of the build (scripts/wine-env): the medium.
const std::string kMedium = "Q:\\";

std::string TestGameExe() { return driver::HostPath(ZI_TEST_GAME_EXE); }

bool Exists(const std::string& path) { return FileAttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

void Copy(const std::string& from, const std::string& to) {
  fs::MakeDirectories(ExtractFilePath(to));
  ASSERT_TRUE(CopyFileW(enc::Wide(from).c_str(), enc::Wide(to).c_str(), FALSE)) << to;
}

// Everything on the medium's root, removed before and after.
void ClearMedium() {
  std::vector<fs::DirEntry> entries;
  fs::ListDirectory(kMedium, &entries);
  for (const fs::DirEntry& e : entries) {
    if (e.is_directory) testing_support::RemoveTree(kMedium + e.name);
    else fs::EraseFile(kMedium + e.name);
  }
}

class GameLife : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::DirectoryExists(kMedium)) GTEST_SKIP() << "no drive Q: (scripts/wine-env maps it)";
    ClearMedium();
    s.Title = testing_support::UniqueName("Life");
    s.RegistryKey = maker + "\\Game";
    s.GameExe = "game.exe";
    s.MediaName = "CD-ROM";
    s.SetDiskCount(1);
    marker = dir / "marker.txt";
    env = {{L"TEMP", enc::Wide(dir / "tmp")}, {L"TMP", enc::Wide(dir / "tmp")}, {L"ZI_GAME_MARKER", enc::Wide(marker)}};
    fs::MakeDirectories(dir / "tmp");
  }
  void TearDown() override {
    ClearMedium();
    s.DeleteRegistryKey();
  }

  // The medium: the program, its settings and an archive.
  void WriteMedium() {
    Copy(testing_support::InstallExePath(), kMedium + "install.exe");
    s.SaveToFile(kMedium + "install.dat");
    const std::string content = dir / "content\\";
    WriteFileBytes(content + "readme.txt", "read me");
    const auto packed = testing_support::RunTool(ZI_VFTOOL_EXE, {"pack", enc::SjisToUtf8(kMedium + "game.dat"),
                                                                 enc::SjisToUtf8(content)});
    ASSERT_EQ(packed.exit_code, 0) << packed.err;
  }

  Process StartFromMedium() { return Process::Start(kMedium + "install.exe", "", env); }

  HWND WaitForLauncher(const Process& p) {
    return driver::WaitForWindowWithChild(p.Id(), TForm::kClassName, kIdBtnStart, kTimeout);
  }

  testing_support::TempDir dir;
  const std::string maker = testing_support::UniqueName("Maker");
  TZefoInstallSet s;
  std::string marker;
  std::map<std::wstring, std::wstring> env;
};

}  // namespace

TEST_F(GameLife, PlayThenUninstallThroughTheTemporaryCopy) {
  WriteMedium();
  // The installation as the copy work leaves it.
  const std::string installed = dir / "installed\\";
  Copy(TestGameExe(), installed + "game.exe");
  Copy(testing_support::InstallExePath(), installed + "install.exe");
  TZefoInstallSet records = s;
  records.UninstallMode = 1;
  records.InstalledFiles = {"game.exe", "install.exe", "install.dat"};
  records.SaveToFile(installed + "install.dat");
  s.WriteValue("InstallPath", installed);

  // The launcher offers the game and starts it.
  {
    Process launcher = StartFromMedium();
    HWND form = WaitForLauncher(launcher);
    ASSERT_NE(form, nullptr);
    HWND start = driver::ChildById(form, kIdBtnStart);
    ASSERT_TRUE(IsWindowEnabled(start));
    driver::Click(start);
    ASSERT_TRUE(launcher.WaitExit(kTimeout));
  }
  ASSERT_TRUE(driver::WaitUntil([&] { return fs::FileExists(marker); }, kTimeout)) << "the game did not start";
  EXPECT_EQ(ReadFileBytes(marker), "folder " + installed + "\r\nmutex " + RunningGameMutexName(installed) + "\r\n");

  // While it runs, the program on the medium ends at once and silently.
  {
    Process again = StartFromMedium();
    ASSERT_TRUE(again.WaitExit(kTimeout));
    EXPECT_EQ(again.ExitCode(), 0u);
    EXPECT_TRUE(driver::TopWindows(again.Id()).empty());
  }
  WriteFileBytes(marker + ".stop", "");
  ASSERT_TRUE(driver::WaitNoProgram(L"game.exe", kTimeout));

  // The uninstaller in the install folder hands over to its temporary copy.
  {
    Process uninstaller = Process::Start(installed + "install.exe", "", env);
    ASSERT_TRUE(uninstaller.WaitExit(kTimeout));
    const DWORD copy = driver::WaitForProgram(L"~zinstall.exe", kTimeout);
    ASSERT_NE(copy, 0u);
    HWND wizard = driver::WaitForWindowWithChild(copy, TForm::kClassName, kIdBtnNext, kTimeout);
    ASSERT_NE(wizard, nullptr);
    driver::Click(driver::ChildById(wizard, kIdBtnNext));
    ASSERT_TRUE(driver::WaitUntil([&] { return driver::Text(wizard) == L"完了"; }, kTimeout));
    driver::Click(driver::ChildById(wizard, kIdBtnAbort));
    ASSERT_TRUE(driver::WaitNoProgram(L"~zinstall.exe", kTimeout));
  }
  EXPECT_FALSE(Exists(installed));
  EXPECT_EQ(s.ReadValue("InstallPath", "<none>"), "<none>");

  // The launcher on the medium: the game is no longer there to start.
  Process launcher = StartFromMedium();
  HWND form = WaitForLauncher(launcher);
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(IsWindowEnabled(driver::ChildById(form, kIdBtnStart)));
  EXPECT_TRUE(IsWindowEnabled(driver::ChildById(form, kIdBtnInstall)));
  driver::Click(driver::ChildById(form, kIdBtnExit));
  EXPECT_TRUE(launcher.WaitExit(kTimeout));
}
