// install.exe taking its settings and its picture from the package's archive:
// carried at the end of the program, in its resource, or named on the command
// line. The archives are packed by the publishers' own tool.
#include <windows.h>

#include <gtest/gtest.h>


#include "base/encoding.h"
#include "base/fs.h"
#include "common/package_win.h"
#include "common/run_tool.h"
#include "common/windriver_win.h"
#include "forms/message_dialog_win.h"
#include "imaging/galewriter.h"
#include "imaging/gradbox.h"
#include "launcher/start_win.h"
#include "wizard/insttype_win.h"

using driver::Process;
using driver::kTimeout;
using testing_support::TempDir;
using testing_support::TestPackage;

namespace {

std::string Utf8(const std::string& sjis) { return enc::SjisToUtf8(sjis); }

void Pack(const std::vector<std::string>& args) {
  const auto r = testing_support::RunTool(ZI_VFTOOL_EXE, args);
  ASSERT_EQ(r.exit_code, 0) << r.err;
}

// A 100 x 80 picture with a pattern that shows where every pixel went.
TDIBSurface Pattern() {
  TDIBSurface s;
  s.SetSize(100, 80, 24);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) s.SetPixel(x, y, (uint32_t(x * 2) << 16) | (uint32_t(y * 3) << 8) | 0x40);
  return s;
}

COLORREF PatternAt(int x, int y) { return RGB(x * 2, y * 3, 0x40); }

constexpr int32_t kSeed = 0x2468ACE;

// The content of an archive: install.dat and a scrambled picture.
std::string ArchiveContent(const TempDir& dir, TZefoInstallSet settings, uint8_t mode, bool with_settings = true) {
  const std::string content = dir / "content\\";
  fs::MakeDirectories(content);
  settings.BackgroundImage = "pictures\\back.gal";
  settings.BackgroundMode = mode;
  settings.ImageSeed = kSeed;
  if (with_settings) settings.SaveToFile(content + "install.dat");
  TMemoryStream m;
  TGaleWriteOptions o;
  o.Scramble = true;
  o.Key = kSeed;
  WriteGalePicture(m, Pattern(), o);
  fs::MakeDirectories(content + "pictures");
  m.SaveToFile(content + "pictures\\back.gal");
  return content;
}



// Puts the wizard out of the way of the window behind it.
void MoveAside(HWND wizard) {
  SetWindowPos(wizard, nullptr, 2000, 2000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CloseWizard(HWND wizard, const Process& p) {
  driver::Click(driver::ChildById(wizard, kIdBtnAbort));
  driver::AnswerMessageDialog(p.Id(), IDYES, kTimeout);
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

}  // namespace

TEST(ArchiveStartup, TrailerCarrierSuppliesSettingsAndPicture) {
  TestPackage pkg;  // install.exe in the folder, no install.dat beside it
  pkg.settings.Title = testing_support::UniqueName("Carrier");
  const std::string content = ArchiveContent(pkg.Dir(), pkg.settings, 2);
  const std::string carrier = pkg.Folder() + "setup.exe";
  Pack({"pack", "--carrier", Utf8(pkg.Exe()), Utf8(carrier), Utf8(content)});
  Process p = Process::Start(carrier, "");
  HWND launcher = driver::WaitForWindowWithChild(p.Id(), TForm::kClassName, kIdBtnStart, kTimeout);
  ASSERT_NE(launcher, nullptr) << "no launcher from the carried settings";
  EXPECT_EQ(driver::Text(launcher), enc::Wide(pkg.settings.Title));
  // Tiled: the picture repeats from the top left of the 265 x 158 box; the gap
  // between the first two buttons (rows 41-63) shows it.
  const driver::ScreenPixels shot = driver::CaptureWhenPainted(
      launcher, [](const driver::ScreenPixels& s) { return s.Width() > 260 && s.At(3, 45) == PatternAt(3, 45); }, kTimeout);
  ASSERT_GT(shot.Height(), 60);
  for (int y : {45, 50, 60})
    for (int x : {3, 50, 99, 100, 150, 210, 260}) {
      SCOPED_TRACE(testing::Message() << x << "," << y);
      EXPECT_EQ(shot.At(x, y), PatternAt(x % 100, y % 80));
    }
  PostMessageW(launcher, WM_CLOSE, 0, 0);
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TEST(ArchiveStartup, ResourceCarrierSuppliesTheSettings) {
  TestPackage pkg;
  pkg.settings.Title = testing_support::UniqueName("Resource");
  const std::string content = ArchiveContent(pkg.Dir(), pkg.settings, 0);
  const std::string archive = pkg.Dir() / "package.vf";
  Pack({"pack", Utf8(archive), Utf8(content)});
  // Put the archive into the program's resource "DUMMY" of type "BINTYPE", as
  // a resource editor would.
  const std::string bytes = testing_support::ReadFileBytes(archive);
  HANDLE update = BeginUpdateResourceW(enc::Wide(pkg.Exe()).c_str(), FALSE);
  ASSERT_NE(update, nullptr);
  ASSERT_TRUE(UpdateResourceW(update, L"BINTYPE", L"DUMMY", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                              const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size())));
  ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
  Process p = pkg.Start();
  HWND launcher = driver::WaitForWindowWithChild(p.Id(), TForm::kClassName, kIdBtnStart, kTimeout);
  ASSERT_NE(launcher, nullptr);
  EXPECT_EQ(driver::Text(launcher), enc::Wide(pkg.settings.Title));
  PostMessageW(launcher, WM_CLOSE, 0, 0);
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TEST(ArchiveStartup, ArchiveNamedOnTheCommandLineRunsTheWizardWithItsPicture) {
  struct Case {
    uint8_t mode;
    const char* name;
  } cases[] = {{0, "centred"}, {1, "stretched"}, {2, "tiled"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestPackage pkg;
    const std::string content = ArchiveContent(pkg.Dir(), pkg.settings, c.mode);
    const std::string archive = pkg.Dir() / "パッケージ表.vf";  // a Japanese name with a 0x5C trail byte
    Pack({"pack", Utf8(archive), Utf8(content)});
    Process p = pkg.Start("\"" + archive + "\"");
    HWND wizard = driver::WaitForWindowWithChild(p.Id(), TForm::kClassName, kIdBtnNext, kTimeout);
    ASSERT_NE(wizard, nullptr);
    HWND background = driver::OtherTopWindow(p.Id(), TForm::kClassName, wizard);
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(driver::Text(background), enc::Wide(pkg.settings.Title) + L"のセットアップ");
    MoveAside(wizard);
    // The centre, where the wizard stood: the picture in every mode.
    const COLORREF centre = c.mode == 2 ? PatternAt(0, 40) : PatternAt(50, 40);
    const driver::ScreenPixels shot = driver::CaptureWhenPainted(
        background, [&](const driver::ScreenPixels& s) { return s.Width() == 600 && s.At(300, 200) == centre; },
        kTimeout);
    ASSERT_EQ(shot.Width(), 600);
    // The gradient where the picture does not reach.
    const auto bands = ComputeGradBands(0x00FF0000, 0x00800000, 128, TGradDirection::gdVertical, 600, 400);
    auto gradient = [&](int y) -> COLORREF {
      for (const TGradBand& b : bands)
        if (y >= b.Rect.Top && y < b.Rect.Bottom) return static_cast<COLORREF>(b.Color);
      return CLR_INVALID;
    };
    if (c.mode == 0) {
      // At ((600 - 100) / 2, (400 - 80) / 2), unscaled.
      for (int y : {0, 40, 79})
        for (int x : {0, 37, 99}) EXPECT_EQ(shot.At(250 + x, 160 + y), PatternAt(x, y));
      EXPECT_EQ(shot.At(249, 170), gradient(170));
      EXPECT_EQ(shot.At(350, 170), gradient(170));
      EXPECT_EQ(shot.At(300, 159), gradient(159));
    } else if (c.mode == 1) {
      // Stretched 6 x 5 without blending: every screen pixel is one picture pixel.
      for (int y : {0, 7, 199, 375})
        for (int x : {0, 13, 300, 599}) EXPECT_EQ(shot.At(x, y), PatternAt(x / 6, y / 5));
    } else {
      for (int y : {0, 79, 80, 240, 379})
        for (int x : {0, 99, 100, 555, 599}) EXPECT_EQ(shot.At(x, y), PatternAt(x % 100, y % 80));
    }
    CloseWizard(wizard, p);
  }
}

TEST(ArchiveStartup, CarriedArchiveWithoutSettingsNamesTheMissingEntry) {
  TestPackage pkg;
  const std::string content = ArchiveContent(pkg.Dir(), pkg.settings, 0, false);
  const std::string carrier = pkg.Folder() + "setup.exe";
  Pack({"pack", "--carrier", Utf8(pkg.Exe()), Utf8(carrier), Utf8(content)});
  Process p = Process::Start(carrier, "");
  const driver::MessageDialogContent c = driver::AnswerMessageDialog(p.Id(), IDOK, kTimeout);
  EXPECT_EQ(c.caption, L"エラー");
  EXPECT_EQ(c.text, L"install.dat:ファイルがありません");
  EXPECT_TRUE(p.WaitExit(kTimeout));
}

TEST(ArchiveStartup, MissingPictureIsReportedAndTheLauncherStillWorks) {
  TestPackage pkg;
  pkg.settings.BackgroundImage = "none.gal";
  pkg.WriteSettings();
  Process p = pkg.Start();
  const driver::MessageDialogContent c = driver::AnswerMessageDialog(p.Id(), IDOK, kTimeout);
  EXPECT_EQ(c.text, L"none.gal:ファイルがありません");
  HWND launcher = driver::WaitForWindowWithChild(p.Id(), TForm::kClassName, kIdBtnStart, kTimeout);
  ASSERT_NE(launcher, nullptr);
  EXPECT_EQ(driver::ClientSize(launcher).cy, 158);  // laid out all the same
  PostMessageW(launcher, WM_CLOSE, 0, 0);
  EXPECT_TRUE(p.WaitExit(kTimeout));
}
