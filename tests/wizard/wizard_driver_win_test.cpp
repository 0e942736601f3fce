// The wizard and the window behind it, worked from outside as a user would.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <regex>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "common/package_win.h"
#include "common/wizard_win.h"
#include "common/run_tool.h"
#include "common/windriver_win.h"
#include "forms/message_dialog_win.h"
#include "imaging/gradbox.h"
#include "wizard/insttype_win.h"

using driver::Process;
using driver::kTimeout;
using testing_support::TestPackage;
using testing_support::Wizard;

namespace {

// A package started as the wizard: with its folder as the parameter.
Process StartWizard(const TestPackage& pkg) { return pkg.Start("\"" + pkg.Folder() + "\""); }

void Abort(const Wizard& w, const Process& p) {
  w.Click(kIdBtnAbort);
  w.Answer(IDYES);
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TestPackage& Sized(TestPackage& pkg) {
  pkg.settings.ProgramSize = 12345678;
  pkg.settings.DataSize = 50000000;
  pkg.settings.SoundSize = 3000000;
  pkg.settings.DiskProgramSize = {12345678};
  pkg.settings.DiskDataSize = {50000000};
  pkg.settings.DiskSoundSize = {3000000};
  return pkg;
}

}  // namespace

TEST(Wizard, SingleDiskStartsOnTheComponentPage) {
  TestPackage pkg;
  Sized(pkg).WriteSettings();
  Process p = StartWizard(pkg);
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  EXPECT_EQ(w.Caption(), L"インストールするファイル");
  EXPECT_EQ(driver::ClientSize(w.Form()).cx, 383);
  EXPECT_EQ(driver::ClientSize(w.Form()).cy, 269);
  // The three buttons under the pages.
  const RECT back = w.Rect(kIdBtnBack), next = w.Rect(kIdBtnNext), abort = w.Rect(kIdBtnAbort);
  EXPECT_EQ(back.left, 132);
  EXPECT_EQ(next.left, 212);
  EXPECT_EQ(abort.left, 304);
  EXPECT_EQ(next.top, 236);
  EXPECT_EQ(next.right - next.left, 75);
  EXPECT_EQ(next.bottom - next.top, 25);
  EXPECT_FALSE(w.Enabled(kIdBtnBack));
  EXPECT_EQ(w.Text(kIdBtnBack), L"< 戻る(&B)");
  EXPECT_EQ(w.Text(kIdBtnNext), L"次へ(&N) >");
  EXPECT_EQ(w.Text(kIdBtnAbort), L"中断(&A)");
  // The component page: the program always, the others when they have bytes.
  EXPECT_EQ(w.Text(kIdLabel1), L"インストールするファイルを選択してください");
  EXPECT_TRUE(w.Checked(kIdCheckProg));
  EXPECT_FALSE(w.Enabled(kIdCheckProg));
  EXPECT_EQ(w.Rect(kIdCheckProg).left, 24);
  EXPECT_EQ(w.Rect(kIdCheckProg).top, 36);
  EXPECT_EQ(w.Rect(kIdCheckData).top, 64);
  EXPECT_TRUE(w.Visible(kIdCheckData));
  EXPECT_TRUE(w.Visible(kIdCheckSound));
  EXPECT_FALSE(w.Visible(kIdCheckMovie));  // no movie bytes
  EXPECT_EQ(w.Text(kIdLabelSize), L"最低 11.77 MBのディスクの空き容量が必要です");
  EXPECT_EQ(w.Rect(kIdLabelSize).top, 204);
  w.Click(kIdCheckData);
  EXPECT_TRUE(w.WaitForText(kIdLabelSize, L"最低 59.46 MBのディスクの空き容量が必要です"));
  w.Click(kIdCheckSound);
  EXPECT_TRUE(w.WaitForText(kIdLabelSize, L"最低 62.32 MBのディスクの空き容量が必要です"));
  Abort(w, p);
}

TEST(Wizard, BackgroundWindowAroundTheWizard) {
  TestPackage pkg;
  pkg.settings.FooterText = "(C) 2026 テスト";
  pkg.WriteSettings();
  Process p = StartWizard(pkg);
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  HWND background = w.Background();
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(driver::Text(background), enc::Wide(pkg.settings.Title) + L"のセットアップ");
  EXPECT_EQ(driver::ClientSize(background).cx, 600);
  EXPECT_EQ(driver::ClientSize(background).cy, 400);
  const auto labels = driver::ChildrenOfClass(background, L"Static");
  ASSERT_EQ(labels.size(), 1u);
  EXPECT_EQ(driver::Text(labels[0]), L"(C) 2026 テスト ");
  const RECT footer = driver::RectInParent(labels[0]);
  EXPECT_EQ(footer.left, 0);
  EXPECT_EQ(footer.top, 380);
  EXPECT_EQ(footer.right, 600);
  EXPECT_EQ(footer.bottom, 392);
  // The wizard is centred on it.
  const RECT b = driver::ScreenRect(background), f = driver::ScreenRect(w.Form());
  EXPECT_NEAR((b.left + b.right) / 2, (f.left + f.right) / 2, 1);
  EXPECT_NEAR((b.top + b.bottom) / 2, (f.top + f.bottom) / 2, 1);
  Abort(w, p);
}

TEST(Wizard, GradientBandsBehindTheWizard) {
  TestPackage pkg;
  pkg.settings.FooterText = "";  // a single space on the black strip
  pkg.WriteSettings();
  Process p = StartWizard(pkg);
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  HWND background = w.Background();
  ASSERT_NE(background, nullptr);
  // Blue to navy in 130 bands of 3 rows, the rest in navy; the footer strip
  // (rows 380-391) is black. Column 4 lies left of the wizard.
  std::vector<COLORREF> expected(400, CLR_INVALID);
  for (const TGradBand& band : ComputeGradBands(0x00FF0000, 0x00800000, 128, TGradDirection::gdVertical, 600, 400))
    for (int y = std::max(0, band.Rect.Top); y < std::min(400, band.Rect.Bottom); ++y) expected[y] = band.Color;
  EXPECT_EQ(expected[0], 0x00FF0000u);
  EXPECT_EQ(expected[399], 0x00800000u);
  const driver::ScreenPixels shot = driver::CaptureWhenPainted(
      background,
      [&](const driver::ScreenPixels& s) {
        return s.Width() == 600 && s.Height() == 400 && s.At(4, 0) == expected[0] && s.At(4, 385) == RGB(0, 0, 0);
      },
      kTimeout);
  ASSERT_EQ(shot.Width(), 600);
  ASSERT_EQ(shot.Height(), 400);
  for (int y = 0; y < 400; ++y) {
    SCOPED_TRACE(y);
    if (y >= 380 && y < 392) EXPECT_EQ(shot.At(4, y), RGB(0, 0, 0));
    else EXPECT_EQ(shot.At(4, y), expected[y]);
  }
  Abort(w, p);
}

TEST(Wizard, SetupCaptionNamesTheBackgroundWindow) {
  TestPackage pkg;
  pkg.settings.SetupCaption = "特別版のセットアップ";
  pkg.WriteSettings();
  Process p = StartWizard(pkg);
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  HWND background = w.Background();
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(driver::Text(background), L"特別版のセットアップ");
  Abort(w, p);
}

TEST(Wizard, FirstDiskOfASetStartsOnTheMediaPageAndBackStopsThere) {
  TestPackage pkg;
  pkg.settings.SetDiskCount(2);
  pkg.WriteSettings();
  Process p = StartWizard(pkg);
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  EXPECT_EQ(w.Caption(), L"インストールするCD-ROM");
  EXPECT_EQ(w.Text(kIdLabelDisk), L"インストールするCD-ROMを指定してください");
  EXPECT_EQ(w.Text(kIdRadioDiskAll), L"全てのCD-ROMをインストール");
  EXPECT_EQ(w.Text(kIdRadioDiskThis), L"このCD-ROMをインストール");
  EXPECT_TRUE(w.Checked(kIdRadioDiskAll));
  EXPECT_FALSE(w.Enabled(kIdBtnBack));
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"インストールするファイル"));
  EXPECT_TRUE(w.Enabled(kIdBtnBack));
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"インストール先の選択"));
  w.Click(kIdBtnBack);
  ASSERT_TRUE(w.WaitForCaption(L"インストールするファイル"));
  w.Click(kIdBtnBack);
  ASSERT_TRUE(w.WaitForCaption(L"インストールするCD-ROM"));
  EXPECT_FALSE(w.Enabled(kIdBtnBack));
  Abort(w, p);
}

TEST(Wizard, LaterDiskAloneStartsOnTheComponentPageWithItsOwnSizes) {
  TestPackage pkg;
  pkg.settings.SetDiskCount(2);
  pkg.settings.DiskIndex = 1;
  pkg.settings.DataSize = 100;  // on disk 1 only
  pkg.settings.DiskDataSize = {100, 0};
  pkg.settings.SoundSize = 10;
  pkg.settings.DiskSoundSize = {0, 10};
  pkg.WriteSettings();
  Process p = StartWizard(pkg);
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  EXPECT_EQ(w.Caption(), L"インストールするファイル");
  EXPECT_FALSE(w.Visible(kIdCheckData));  // a total, but nothing on this disk
  EXPECT_TRUE(w.Visible(kIdCheckSound));
  Abort(w, p);
}

TEST(Wizard, PreselectedInstallStartsOnTheFolderPage) {
  TestPackage pkg;
  Sized(pkg).settings.InstallKind = TInstallKind::kAllComponents;
  pkg.WriteSettings();
  Process p = StartWizard(pkg);
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  EXPECT_EQ(w.Caption(), L"インストール先の選択");
  EXPECT_TRUE(w.Checked(kIdCheckData));
  EXPECT_TRUE(w.Checked(kIdCheckSound));
  EXPECT_TRUE(w.Checked(kIdCheckMovie));
  EXPECT_EQ(w.Text(kIdLabelSzNeed), L"インストールには最低 62.32 MBのディスクの空き容量が必要です");
  EXPECT_FALSE(w.Enabled(kIdBtnBack));
  // The folder page's controls.
  EXPECT_EQ(w.Text(kIdLabel3), L"インストール先を選択してください");
  const RECT edit = w.Rect(kIdEditDir), list = w.Rect(kIdDirectory), drive = w.Rect(kIdDrive);
  EXPECT_EQ(edit.left, 16);
  EXPECT_EQ(edit.top, 28);
  EXPECT_EQ(edit.right - edit.left, 237);
  EXPECT_EQ(edit.bottom - edit.top, 20);
  EXPECT_EQ(list.top, 52);
  EXPECT_EQ(list.bottom - list.top, 113);
  EXPECT_EQ(drive.top, 168);
  EXPECT_EQ(drive.right - drive.left, 237);
  EXPECT_EQ(w.Rect(kIdLabelSzDrv).top, 188);
  EXPECT_EQ(w.Rect(kIdLabelSzNeed).top, 208);
  Abort(w, p);
}

TEST(Wizard, SystemInstallStartsOnTheConfirmationPage) {
  TestPackage pkg;
  pkg.settings.InstallKind = TInstallKind::kSystem;
  pkg.WriteSettings();
  Process p = pkg.Start();  // kind 2 runs the wizard without a parameter
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  EXPECT_EQ(w.Caption(), L"インストール準備完了");
  EXPECT_EQ(w.Text(kIdLabel5), L"ファイルをコピーする準備が整いました");
  EXPECT_FALSE(w.Visible(kIdLabel6));
  EXPECT_FALSE(w.Enabled(kIdBtnBack));
  EXPECT_EQ(w.Text(kIdBtnNext), L"インストール");
  Abort(w, p);
}

TEST(Wizard, AddOnStartsOnTheFolderPageAndNeedsTheInstallationItJoins) {
  // An add-on is a program carrying its own archive, settings included.
  TestPackage pkg;
  pkg.settings.AddOn = 1;
  const std::string content = pkg.Dir() / "content/";
  fs::MakeDirectories(content);
  pkg.settings.SaveToFile(content + "install.dat");
  const std::string carrier = pkg.Folder() + "addon.exe";
  const auto packed = testing_support::RunTool(
      ZI_VFTOOL_EXE, {"pack", "--carrier", enc::SjisToUtf8(pkg.Exe()), enc::SjisToUtf8(carrier), enc::SjisToUtf8(content)});
  ASSERT_EQ(packed.exit_code, 0) << packed.err;
  testing_support::TempDir target;
  TZefoInstallSet other;
  other.Title = "別のゲーム";
  other.SaveToFile(target / "install.dat");
  const std::wstring temp = enc::Wide(pkg.Temp());
  Process p = Process::Start(carrier, "", {{L"TEMP", temp}, {L"TMP", temp}});  // an add-on runs the wizard at once
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  EXPECT_EQ(w.Caption(), L"インストール先の選択");
  w.SetText(kIdEditDir, enc::Wide(target.Path()));
  w.Click(kIdBtnNext);
  driver::MessageDialogContent c = w.Answer(IDOK);
  EXPECT_EQ(c.caption, L"警告");
  EXPECT_EQ(c.text, L"正しいインストール先を指定してください");
  EXPECT_EQ(w.Caption(), L"インストール先の選択");
  // The same title: on to the confirmation page.
  other.Title = pkg.settings.Title;
  other.SaveToFile(target / "install.dat");
  w.Click(kIdBtnNext);
  EXPECT_TRUE(w.WaitForCaption(L"インストール準備完了"));
  Abort(w, p);
}

TEST(Wizard, DestinationChecksOnTheFolderPage) {
  TestPackage pkg;
  pkg.settings.InstallKind = TInstallKind::kAllComponents;
  pkg.settings.ProgramSize = int64_t{1} << 60;  // more than any drive holds
  pkg.WriteSettings();
  Process p = StartWizard(pkg);
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  // A drive root is refused, and so is any folder that is not fully
  // qualified (it would resolve against whatever folder is current).
  for (const wchar_t* refused : {L"C:\\", L"C:\\\\", L"foo\\bar", L"C:foo\\bar", L"\\Games\\Foo", L"C:\\a?b",
                                 L"C:\\Games\\..\\..", L"C:\\Games\\CON"}) {
    SCOPED_TRACE(enc::Narrow(refused));
    w.SetText(kIdEditDir, refused);
    w.Click(kIdBtnNext);
    EXPECT_EQ(w.Answer(IDOK).text, L"正しいインストール先を指定してください");
    EXPECT_EQ(w.Caption(), L"インストール先の選択");
  }
  // Folders the uninstaller would refuse to empty: the Windows folder, a
  // folder in it, Program Files itself. Each is named in the warning.
  wchar_t windows[MAX_PATH] = {}, program_files[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, program_files), S_OK);
  const struct {
    std::wstring typed, named;
  } unusable[] = {
      {windows, windows},
      {std::wstring(windows) + L"\\", windows},
      {std::wstring(windows) + L"\\Game", std::wstring(windows) + L"\\Game"},
      {program_files, program_files},
  };
  for (const auto& row : unusable) {
    SCOPED_TRACE(enc::Narrow(row.typed));
    w.SetText(kIdEditDir, row.typed);
    w.Click(kIdBtnNext);
    const driver::MessageDialogContent c = w.Answer(IDOK);
    EXPECT_EQ(c.caption, L"警告");
    EXPECT_EQ(c.text, row.named + L"\r\nこのフォルダにはインストールできません。別のフォルダを選択してください");
    EXPECT_EQ(c.buttons, std::vector<std::wstring>{L"OK"});
    EXPECT_EQ(w.Caption(), L"インストール先の選択");
  }
  // Too little space: No stays, Yes goes on. A folder below Program Files
  // is no system folder: it gets as far as the space question. It holds an
  // installation of the title with an add-on: that is said before the work.
  const std::string game = enc::Narrow(program_files) + "\\" + testing_support::UniqueName("Game") + "\\";
  TZefoInstallSet installed = pkg.settings;
  installed.UninstallMode = 1;
  installed.InstalledFiles = {"game.exe", "install.dat", "extra\\voice.ogg"};
  fs::MakeDirectories(game);
  installed.SaveToFile(game + "install.dat");
  w.SetText(kIdEditDir, enc::Wide(game));
  w.Click(kIdBtnNext);
  driver::MessageDialogContent c = w.Answer(IDNO);
  EXPECT_EQ(c.caption, L"警告");
  EXPECT_EQ(c.text, L"ドライブにじゅうぶんな空き容量がありません\r\nこのまま処理を続けますか？");
  EXPECT_EQ(w.Caption(), L"インストール先の選択");
  w.Click(kIdBtnNext);
  w.Answer(IDYES);
  c = w.Answer(IDOK);
  EXPECT_EQ(c.caption, L"情報");
  EXPECT_EQ(c.text.rfind(L"このフォルダの " + enc::Wide(pkg.settings.Title) + L" には追加データがインストールされています（1 個のファイル）", 0), 0u)
      << enc::Narrow(c.text);
  EXPECT_TRUE(w.WaitForCaption(L"インストール準備完了"));
  Abort(w, p);
  testing_support::RemoveTree(game);
}

TEST(Wizard, FolderPageProposesTheDefaultFolderAndShowsFreeSpace) {
  TestPackage pkg;
  pkg.settings.DefaultDir = "<ProgramFiles>\\" + testing_support::UniqueName("Dir") + "\\";
  pkg.settings.ProgramSize = 3 * 1048576;  // a single disk counts its own sizes
  pkg.settings.DiskProgramSize = {3 * 1048576};
  pkg.WriteSettings();
  Process p = StartWizard(pkg);
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  w.Click(kIdBtnNext);
  ASSERT_TRUE(w.WaitForCaption(L"インストール先の選択"));
  const std::wstring sub = enc::Wide(pkg.settings.DefaultDir.substr(15, pkg.settings.DefaultDir.size() - 16));
  EXPECT_EQ(w.Text(kIdEditDir), L"C:\\Program Files\\" + sub);
  EXPECT_EQ(w.Text(kIdLabelSzNeed), L"インストールには最低 3.00 MBのディスクの空き容量が必要です");
  // The free space of drive C:, in whole MiB with thousands separators.
  ULARGE_INTEGER available;
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", &available, nullptr, nullptr));
  const std::wstring label = w.Text(kIdLabelSzDrv);
  std::wsmatch m;
  ASSERT_TRUE(std::regex_match(label, m, std::wregex(L"このドライブには (\\d{1,3}(,\\d{3})*) MBの空きがあります")))
      << enc::Narrow(label);
  std::wstring digits = m[1];
  digits.erase(std::remove(digits.begin(), digits.end(), L','), digits.end());
  const double shown = std::stod(digits), measured = static_cast<double>(available.QuadPart / 1048576);
  EXPECT_NEAR(shown, measured, measured * 0.01 + 2);  // other programs write meanwhile
  Abort(w, p);
}

TEST(Wizard, CloseQueryAsksOnlyForCancel) {
  TestPackage pkg;
  pkg.WriteSettings();
  Process p = StartWizard(pkg);
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  w.Click(kIdBtnAbort);
  const driver::MessageDialogContent c = w.Answer(IDNO);
  EXPECT_EQ(c.caption, L"確認");
  EXPECT_EQ(c.text, L"インストールを中断しますか？");
  EXPECT_TRUE(p.Running());
  EXPECT_EQ(w.Caption(), L"インストールするファイル");
  // The close box asks the same.
  PostMessageW(w.Form(), WM_CLOSE, 0, 0);
  EXPECT_EQ(w.Answer(IDYES).text, L"インストールを中断しますか？");
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TEST(Wizard, EscapeAsksAsAbortDoesAndBackLeavesOneDefaultButton) {
  TestPackage pkg;
  pkg.WriteSettings();
  testing_support::TempDir target;
  Process p = StartWizard(pkg);
  Wizard w(p);
  testing_support::WalkToConfirmPage(w, target / "game", {});
  const auto drawn_defaults = [&] {
    std::vector<int> ids;
    for (int id : {kIdBtnBack, kIdBtnNext, kIdBtnAbort})
      if (driver::DrawnAsDefault(w.Control(id))) ids.push_back(id);
    return ids;
  };
  // Back once leaves the focus on 戻る, which Enter would press; back to the
  // first page disables it, and 次へ takes the focus and the frame again.
  const struct {
    const wchar_t* page;
    int focused;
  } steps[] = {{L"インストール先の選択", kIdBtnBack}, {L"インストールするファイル", kIdBtnNext}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.page);
    w.Click(kIdBtnBack);
    ASSERT_TRUE(w.WaitForCaption(step.page));
    EXPECT_TRUE(driver::WaitForFocus(w.Form(), w.Control(step.focused), kTimeout));
    EXPECT_EQ(drawn_defaults(), std::vector<int>{step.focused});
    ASSERT_TRUE(w.PressKey(VK_ESCAPE));
    EXPECT_EQ(w.Answer(IDNO).caption, L"確認");
    EXPECT_EQ(w.Caption(), step.page);
  }
  ASSERT_TRUE(w.PressKey(VK_ESCAPE));
  EXPECT_EQ(w.Answer(IDYES).caption, L"確認");
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TEST(Wizard, UninstallerOpensOnItsOwnPage) {
  TestPackage pkg("installed");
  pkg.settings.UninstallMode = 1;
  pkg.WriteSettings();
  testing_support::WriteFileBytes(pkg.Folder() + "save.dat", "save");
  Process p = StartWizard(pkg);  // as the temporary copy is started
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  EXPECT_EQ(w.Caption(), L"アンインストール");
  HWND background = w.Background();
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(driver::Text(background), enc::Wide(pkg.settings.Title) + L"の削除");
  EXPECT_EQ(w.Text(kIdLabelUninst), enc::Wide(pkg.settings.Title) + L" をコンピュータから削除します");
  EXPECT_EQ(w.Text(kIdLabel7), L"実行 をクリックすると削除処理を開始します");
  EXPECT_TRUE(w.Visible(kIdCheckDelSave));  // there is save data
  EXPECT_EQ(w.Text(kIdCheckDelSave), L"セーブデータも削除");
  EXPECT_FALSE(w.Visible(kIdBtnBack));
  EXPECT_EQ(w.Text(kIdBtnNext), L"実行");
  EXPECT_EQ(w.Text(kIdBtnAbort), L"中断(&A)");
  w.Click(kIdBtnAbort);
  EXPECT_EQ(w.Answer(IDYES).text, L"アンインストールを中断しますか？");
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TEST(Wizard, UninstallerWithoutSaveDataHidesTheBox) {
  TestPackage pkg("installed");
  pkg.settings.UninstallMode = 1;
  pkg.WriteSettings();
  Process p = StartWizard(pkg);
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  EXPECT_FALSE(w.Visible(kIdCheckDelSave));
  PostMessageW(w.Form(), WM_CLOSE, 0, 0);
  w.Answer(IDYES);
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TEST(Wizard, FolderAndDriveListsMoveTheProposedFolder) {
  TestPackage pkg;
  const std::string product = testing_support::UniqueName("Product");
  pkg.settings.DefaultDir = "<ProgramFiles>\\" + product;
  pkg.settings.InstallKind = TInstallKind::kAllComponents;  // starts on the folder page
  pkg.WriteSettings();
  Process p = StartWizard(pkg);
  Wizard w(p);
  ASSERT_TRUE(w.Found());
  EXPECT_EQ(w.Text(kIdEditDir), L"C:\\Program Files\\" + enc::Wide(product));
  // A double click on the list's first folder, the drive's root: the product
  // folder goes along with it.
  HWND list = w.Control(kIdDirectory);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 8));
  PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(40, 8));
  PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, 8));
  PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(40, 8));
  EXPECT_TRUE(w.WaitForText(kIdEditDir, L"C:\\" + enc::Wide(product)));
  // Another drive: the folder list moves there, and so do the text and the free space.
  HWND drive = w.Control(kIdDrive);
  const int count = static_cast<int>(SendMessageW(drive, CB_GETCOUNT, 0, 0));
  int z = -1;
  for (int i = 0; i < count; ++i) {
    wchar_t text[64] = L"";
    if (SendMessageW(drive, CB_GETLBTEXTLEN, i, 0) < 60) SendMessageW(drive, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    if (text[0] == L'z') z = i;
  }
  ASSERT_GE(z, 0) << "no drive Z:";
  SendMessageW(drive, CB_SETCURSEL, z, 0);
  SendMessageW(GetParent(drive), WM_COMMAND, MAKEWPARAM(kIdDrive, CBN_SELCHANGE), reinterpret_cast<LPARAM>(drive));
  EXPECT_TRUE(driver::WaitUntil([&] { return w.Text(kIdEditDir).rfind(L"Z:\\", 0) == 0; }, kTimeout))
      << enc::Narrow(w.Text(kIdEditDir));
  const std::wstring edit = w.Text(kIdEditDir);
  EXPECT_EQ(edit.substr(edit.size() - product.size()), enc::Wide(product));
  EXPECT_NE(w.Text(kIdLabelSzDrv).find(L"このドライブには "), std::wstring::npos);
  Abort(w, p);
}
