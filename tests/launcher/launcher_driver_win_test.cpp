// The launcher window, worked from outside: its buttons, its layouts, what
// each button starts.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/package_win.h"
#include "common/windriver_win.h"
#include "forms/message_dialog_win.h"
#include "launcher/start_win.h"
#include "wizard/insttype_win.h"

using driver::Process;
using driver::kTimeout;
using testing_support::TestPackage;

namespace {

HWND WaitForLauncher(const Process& p) {
  return driver::WaitForWindowWithChild(p.Id(), TForm::kClassName, kIdBtnStart, kTimeout);
}

struct ButtonState {
  bool visible;
  bool enabled;
  RECT rect;
  std::wstring text;
};

ButtonState Button(HWND form, int id) {
  HWND b = driver::ChildById(form, id);
  return {IsWindowVisible(b) != 0, IsWindowEnabled(b) != 0, driver::RectInParent(b), driver::Text(b)};
}

void CopyProgramTo(const std::string& path) {
  fs::MakeDirectories(ExtractFilePath(path));
  ASSERT_TRUE(CopyFileW(enc::Wide(testing_support::InstallExePath()).c_str(), enc::Wide(path).c_str(), FALSE));
}

}  // namespace

TEST(Launcher, ButtonsAndTheFullLayout) {
  TestPackage pkg;
  pkg.settings.OfferRuntimes = 1;
  pkg.WriteSettings();
  // Any file will do as the setup programs: the launcher only checks that they exist.
  testing_support::WriteFileBytes(pkg.Folder() + "directx\\dxsetup.exe", "MZ");
  testing_support::WriteFileBytes(pkg.Folder() + "winmedia\\mp71.exe", "MZ");
  Process p = pkg.Start();
  HWND form = WaitForLauncher(p);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(driver::Text(form), enc::Wide(pkg.settings.Title));
  const SIZE client = driver::ClientSize(form);
  EXPECT_EQ(client.cx, 265);
  EXPECT_EQ(client.cy, 230);
  struct Expected {
    int id;
    const wchar_t* text;
    int top;
  } expected[] = {{kIdBtnStart, L"ゲームスタート", 12},
                  {kIdBtnInstall, L"インストール", 64},
                  {kIdBtnDirectX, L"DirectXをインストール", 100},
                  {kIdBtnWinMedia, L"WindowsMediaPlayerをインストール", 136},
                  {kIdBtnExit, L"終了", 188}};
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.id);
    const ButtonState b = Button(form, e.id);
    EXPECT_TRUE(b.visible);
    EXPECT_EQ(b.text, e.text);
    EXPECT_EQ(b.rect.left, 28);
    EXPECT_EQ(b.rect.top, e.top);
    EXPECT_EQ(b.rect.right - b.rect.left, 213);
    EXPECT_EQ(b.rect.bottom - b.rect.top, 29);
  }
  // Not installed: no game to start.
  EXPECT_FALSE(Button(form, kIdBtnStart).enabled);
  EXPECT_TRUE(Button(form, kIdBtnInstall).enabled);
  // Centred on the screen.
  const RECT r = driver::ScreenRect(form);
  EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);

  driver::Click(driver::ChildById(form, kIdBtnExit));
  EXPECT_TRUE(p.WaitExit(kTimeout));
  EXPECT_EQ(pkg.Value("CDDrive"), "");
}

TEST(Launcher, MissingRuntimeSetupsCollapseTheLayout) {
  struct Case {
    bool offer;
    bool directx;
    bool winmedia;
    int height;
    int winmedia_top;  // -1: hidden
    int exit_top;
  } cases[] = {
      {false, true, true, 158, -1, 116},  // not offered: both hidden even though present
      {true, false, false, 158, -1, 116},
      {true, false, true, 194, 100, 152},  // Windows Media Player takes the DirectX place
      {true, true, false, 194, -1, 152},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offer << c.directx << c.winmedia);
    TestPackage pkg;
    pkg.settings.OfferRuntimes = c.offer;
    pkg.WriteSettings();
    if (c.directx) testing_support::WriteFileBytes(pkg.Folder() + "directx\\dxsetup.exe", "MZ");
    if (c.winmedia) testing_support::WriteFileBytes(pkg.Folder() + "winmedia\\mp71.exe", "MZ");
    Process p = pkg.Start();
    HWND form = WaitForLauncher(p);
    ASSERT_NE(form, nullptr);
    // On a busy machine the window manager may still answer the window's
    // first size just after it shows; the launcher's own size then follows.
    driver::WaitUntil([&] { return driver::ClientSize(form).cy == c.height; }, kTimeout);
    EXPECT_EQ(driver::ClientSize(form).cy, c.height);
    EXPECT_EQ(Button(form, kIdBtnDirectX).visible, c.offer && c.directx);
    EXPECT_EQ(Button(form, kIdBtnWinMedia).visible, c.winmedia_top >= 0);
    if (c.winmedia_top >= 0) {
      EXPECT_EQ(Button(form, kIdBtnWinMedia).rect.top, c.winmedia_top);
    }
    EXPECT_EQ(Button(form, kIdBtnExit).rect.top, c.exit_top);
    PostMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_TRUE(p.WaitExit(kTimeout));
  }
}

// Pressed with the mouse, and with the keys: once installed, the game is the
// default with the focus from the start, the arrows move between the buttons
// and Enter presses the one drawn as the default.
TEST(Launcher, GameStartHandsOverToTheInstalledGame) {
  for (const bool by_keys : {false, true}) {
    SCOPED_TRACE(by_keys ? "keys" : "mouse");
    TestPackage pkg;
    testing_support::TempDir installed;
    pkg.settings.GameExe = "bin\\game.exe";
    pkg.WriteSettings();
    pkg.settings.WriteValue("InstallPath", installed.Path());
    // The "game" is a copy of the program without settings beside it: when it
    // starts, it says so in its warning, which shows the hand-over happened.
    CopyProgramTo(installed / "bin\\game.exe");
    Process p = pkg.Start();
    HWND form = WaitForLauncher(p);
    ASSERT_NE(form, nullptr);
    HWND start = driver::ChildById(form, kIdBtnStart), install = driver::ChildById(form, kIdBtnInstall);
    ASSERT_TRUE(Button(form, kIdBtnStart).enabled);
    if (by_keys) {
      const auto focused_default = [&](HWND button) {
        return driver::WaitUntil(
            [&] {
              return driver::FocusOf(form) == button && driver::DrawnAsDefault(button) &&
                     driver::DrawnAsDefault(start) != driver::DrawnAsDefault(install);
            },
            kTimeout);
      };
      EXPECT_TRUE(focused_default(start));
      ASSERT_TRUE(driver::PressKey(form, VK_DOWN));
      EXPECT_TRUE(focused_default(install));
      ASSERT_TRUE(driver::PressKey(form, VK_UP));
      EXPECT_TRUE(focused_default(start));
      ASSERT_TRUE(driver::PressKey(form, VK_RETURN));
    } else {
      driver::Click(start);
    }
    ASSERT_TRUE(p.WaitExit(kTimeout));
    const DWORD game = driver::WaitForProgram(L"game.exe", kTimeout);
    ASSERT_NE(game, 0u) << "the game was not started";
    const driver::MessageDialogContent c = driver::AnswerMessageDialog(game, IDOK, kTimeout);
    EXPECT_EQ(c.text, L"インストール設定ファイルがありません");
    EXPECT_TRUE(driver::WaitNoProgram(L"game.exe", kTimeout));
  }
}

TEST(Launcher, FailedHandOverShowsTheShellsCode) {
  TestPackage pkg;
  testing_support::TempDir installed;
  pkg.WriteSettings();
  pkg.settings.WriteValue("InstallPath", installed.Path());
  testing_support::WriteFileBytes(installed / "game.exe", "MZ");
  Process p = pkg.Start();
  HWND form = WaitForLauncher(p);
  ASSERT_NE(form, nullptr);
  ASSERT_TRUE(Button(form, kIdBtnStart).enabled);
  fs::EraseFile(installed / "game.exe");  // gone by the time the shell looks for it
  driver::Click(driver::ChildById(form, kIdBtnStart));
  const driver::MessageDialogContent c = driver::AnswerMessageDialog(p.Id(), IDOK, kTimeout);
  EXPECT_EQ(c.caption, L"警告");
  EXPECT_EQ(c.text, L"プログラムを実行できませんでした\r\nエラーコード[2]");  // file not found
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TEST(Launcher, InstallFromLooseFilesRunsTheWizardInATemporaryCopy) {
  TestPackage pkg;
  pkg.WriteSettings();
  Process p = pkg.Start();
  HWND form = WaitForLauncher(p);
  ASSERT_NE(form, nullptr);
  driver::Click(driver::ChildById(form, kIdBtnInstall));
  ASSERT_TRUE(p.WaitExit(kTimeout));
  const DWORD copy = driver::WaitForProgram(L"~zinstall.exe", kTimeout);
  ASSERT_NE(copy, 0u);
  // The copy runs the wizard at once: it was given the medium's folder.
  HWND wizard = driver::WaitForWindowWithChild(copy, TForm::kClassName, kIdBtnNext, kTimeout);
  ASSERT_NE(wizard, nullptr);
  EXPECT_EQ(driver::Text(wizard), L"インストールするファイル");
  driver::Click(driver::ChildById(wizard, kIdBtnAbort));
  driver::AnswerMessageDialog(copy, IDYES, kTimeout);
  EXPECT_TRUE(driver::WaitNoProgram(L"~zinstall.exe", kTimeout));
}

TEST(Launcher, InstallFromTheArchiveRunsTheWizardInTheSameProcess) {
  TestPackage pkg;
  pkg.settings.FromArchive = 1;
  pkg.WriteSettings();
  Process p = pkg.Start();
  HWND form = WaitForLauncher(p);
  ASSERT_NE(form, nullptr);
  driver::Click(driver::ChildById(form, kIdBtnInstall));
  HWND wizard = driver::WaitForWindowWithChild(p.Id(), TForm::kClassName, kIdBtnNext, kTimeout);
  ASSERT_NE(wizard, nullptr);
  EXPECT_TRUE(driver::TopWindows(p.Id(), TForm::kClassName).size() >= 2);  // the background window too
  std::vector<fs::DirEntry> temp_files;
  fs::ListDirectory(pkg.Temp(), &temp_files);
  EXPECT_TRUE(temp_files.empty()) << "a temporary copy was made";
  driver::Click(driver::ChildById(wizard, kIdBtnAbort));
  driver::AnswerMessageDialog(p.Id(), IDYES, kTimeout);
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TEST(Launcher, RuntimeSetupStartsWithoutClosingTheLauncher) {
  TestPackage pkg;
  pkg.settings.OfferRuntimes = 1;
  pkg.WriteSettings();
  CopyProgramTo(pkg.Folder() + "directx\\dxsetup.exe");  // warns that its settings are missing
  Process p = pkg.Start();
  HWND form = WaitForLauncher(p);
  ASSERT_NE(form, nullptr);
  driver::Click(driver::ChildById(form, kIdBtnDirectX));
  const DWORD setup = driver::WaitForProgram(L"dxsetup.exe", kTimeout);
  ASSERT_NE(setup, 0u);
  driver::AnswerMessageDialog(setup, IDOK, kTimeout);
  EXPECT_TRUE(driver::WaitNoProgram(L"dxsetup.exe", kTimeout));
  EXPECT_TRUE(p.Running());
  EXPECT_TRUE(IsWindowVisible(form));
  driver::Click(driver::ChildById(form, kIdBtnExit));
  EXPECT_TRUE(p.WaitExit(kTimeout));
}
