// Writes screenshots of the program's windows for the documentation: the
// launcher, and the background window with the wizard on each page a run can
// reach. Usage: screenshot_driver OUTPUT_FOLDER [SUFFIX] (BMP files;
// scripts/screenshots turns them into PNG). With a suffix (a run on a screen of
// another scale, "-150") only the launcher and pages 2, 3 and 5 are written,
// each name followed by the suffix. It works the real windows from outside, as
// the driver tests do.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "base/encoding.h"
#include "base/paths.h"
#include "base/format.h"
#include "base/fs.h"
#include <commctrl.h>
#include "common/package_win.h"
#include "common/run_tool.h"
#include "imaging/galewriter.h"
#include "common/windriver_win.h"
#include "launcher/start_win.h"
#include "wizard/insttype_win.h"
#include "wizard/readme_form_win.h"

using driver::Process;
using driver::kTimeout;
using testing_support::TestPackage;

namespace {

std::string g_out;
std::string g_suffix;

bool Wanted(const std::string& name) {
  if (g_suffix.empty()) return true;
  for (const char* n : {"launcher", "wizard-2-components", "wizard-3-folder", "wizard-5-copy", "readme-window"})
    if (name == n) return true;
  return false;
}

// The screen inside rect, as a BMP file of the output folder.
bool Capture(const RECT& rect, const std::string& name) {
  if (!Wanted(name)) return true;
  std::this_thread::sleep_for(std::chrono::milliseconds(600));  // let the windows finish painting
  const bool ok = driver::SaveBmp(driver::ScreenPixels(rect), g_out + name + g_suffix + ".bmp");
  std::printf("%s %s%s\n", ok ? "wrote" : "FAILED", name.c_str(), g_suffix.c_str());
  return ok;
}

void Shoot(HWND window, const std::string& name) { Capture(driver::ScreenRect(window), name); }

bool WaitCaption(HWND w, const wchar_t* caption) {
  return driver::WaitUntil([&] { return driver::Text(w) == caption; }, kTimeout);
}

// A landscape for the package picture: sky, sun, hills.
TDIBSurface Landscape(int w, int h) {
  TDIBSurface s;
  s.SetSize(w, h, 24);
  auto mix = [](int a, int b, double t) { return static_cast<uint32_t>(a + (b - a) * t); };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double t = static_cast<double>(y) / h;
      uint32_t r = mix(0x20, 0xF0, t), g = mix(0x30, 0xA0, t), b = mix(0x80, 0x90, t);
      const double dx = x - w * 0.72, dy = y - h * 0.32, sun = w * 0.07;
      if (dx * dx + dy * dy < sun * sun) r = 0xFF, g = 0xE8, b = 0x90;
      const double hill = h * 0.68 + 10 * std::sin(x / 23.0) + 6 * std::sin(x / 7.0 + 1);
      const double far_hill = h * 0.6 + 14 * std::sin(x / 41.0 + 2);
      if (y > far_hill) r = 0x50, g = 0x70, b = 0x90;
      if (y > hill) {
        const double d = (y - hill) / (h - hill);
        r = mix(0x40, 0x10, d), g = mix(0x90, 0x40, d), b = mix(0x40, 0x20, d);
      }
      s.SetPixel(x, y, (r << 16) | (g << 8) | b);
    }
  return s;
}

// game.dat beside the program, holding the picture and some data.
void AddPicture(TestPackage& pkg) {
  const std::string content = pkg.Dir() / "content/";
  fs::MakeDirectories(content);
  TMemoryStream m;
  WriteGalePicture(m, Landscape(300, 200), TGaleWriteOptions{});
  m.SaveToFile(content + "back.gal");
  for (int i = 0; i < 4; ++i) testing_support::WriteFileBytes(content + Format("cg\\scene%d.bmp", i), std::string(2 << 20, static_cast<char>(i)));
  testing_support::RunTool(ZI_VFTOOL_EXE,
                           {"pack", enc::SjisToUtf8(pkg.Folder() + "game.dat"), enc::SjisToUtf8(content)});
  pkg.settings.BackgroundImage = "back.gal";
  pkg.settings.BackgroundMode = 1;  // stretched over each window
}

void Package(TestPackage& pkg) {
  AddPicture(pkg);
  pkg.settings.Title = "サンプルゲーム";
  pkg.settings.FooterText = "(C) 2026 サンプル";
  pkg.settings.DefaultDir = "<ProgramFiles>\\サンプル\\ゲーム";
  pkg.settings.MediaName = "CD-ROM";
  pkg.settings.SetDiskCount(2);
  pkg.settings.ProgramSize = 12 << 20;
  pkg.settings.DataSize = 16 << 20;
  pkg.settings.SoundSize = 4 << 20;
  pkg.settings.MovieSize = 300 << 20;
  pkg.settings.DiskProgramSize = {12 << 20, 0};
  pkg.settings.DiskDataSize = {8 << 20, 8 << 20};
  pkg.settings.DiskSoundSize = {4 << 20, 0};
  pkg.settings.DiskMovieSize = {0, 300 << 20};
}

// Loose files of the first disc, so that the copy page has work to show.
void AddLooseFiles(TestPackage& pkg) {
  // As many as keep the copy going past the capture's wait for painting.
  for (int i = 0; i < 2400; ++i) {
    const std::string name = Format("system\\script%04d.dat", i);
    testing_support::WriteFileBytes(pkg.Folder() + name, std::string(20 << 10, static_cast<char>(i)));
    pkg.settings.CopyFiles.push_back(name);
  }
  for (int i = 0; i < 100; ++i) {
    const std::string name = Format("bgm\\track%02d.ogg", i);
    testing_support::WriteFileBytes(pkg.Folder() + name, std::string(40 << 10, static_cast<char>(i)));
    pkg.settings.CopyFiles.push_back(name);
  }
}

// Closes the program group's folder window that the shell opened after the install.
void CloseGroupWindow(const std::string& title, DWORD installer) {
  const std::wstring caption = enc::Wide(title);
  driver::WaitUntil([&] {
    for (HWND w = FindWindowW(nullptr, caption.c_str()); w; w = FindWindowExW(nullptr, w, nullptr, caption.c_str())) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid != installer) {
        PostMessageW(w, WM_CLOSE, 0, 0);
        return true;
      }
    }
    return false;
  }, 5000);
}

void Launcher() {
  TestPackage pkg;
  Package(pkg);
  pkg.settings.OfferRuntimes = 1;
  pkg.WriteSettings();
  testing_support::WriteFileBytes(pkg.Folder() + "directx\\dxsetup.exe", "MZ");
  testing_support::WriteFileBytes(pkg.Folder() + "winmedia\\mp71.exe", "MZ");
  Process p = pkg.Start();
  HWND form = driver::WaitForWindowWithChild(p.Id(), TForm::kClassName, kIdBtnStart, kTimeout);
  if (!form) return;
  Shoot(form, "launcher");
  PostMessageW(form, WM_CLOSE, 0, 0);
  p.WaitExit(kTimeout);
}

void InstallPages() {
  TestPackage pkg;
  Package(pkg);
  AddLooseFiles(pkg);
  // A Shift-JIS read-me: on a system whose code page is not 932 the program shows it itself.
  std::string readme = "サンプルゲーム お読みください\r\n\r\n";
  for (int i = 1; i <= 40; ++i) readme += Format("%d. インストールしたフォルダの game.exe を実行してください。\r\n", i);
  testing_support::WriteFileBytes(pkg.Folder() + "readme.txt", readme);
  pkg.settings.CopyFiles.push_back("readme.txt");
  pkg.settings.ReadmeFile = "readme.txt";
  pkg.settings.OpenReadme = 1;
  pkg.WriteSettings();
  Process p = pkg.Start("\"" + pkg.Folder() + "\"");
  HWND wizard = driver::WaitForWindowWithChild(p.Id(), TForm::kClassName, kIdBtnNext, kTimeout);
  if (!wizard) return;
  HWND background = driver::OtherTopWindow(p.Id(), TForm::kClassName, wizard);
  struct Step {
    const wchar_t* caption;
    const char* name;
  } steps[] = {{L"インストールするCD-ROM", "wizard-1-media"},
               {L"インストールするファイル", "wizard-2-components"},
               {L"インストール先の選択", "wizard-3-folder"},
               {L"インストール準備完了", "wizard-4-confirm"},
               {L"ファイルコピー", "wizard-5-copy"}};
  for (const Step& s : steps) {
    if (!WaitCaption(wizard, s.caption)) break;
    if (std::string(s.name) == "wizard-2-components") {
      driver::Click(driver::ChildById(wizard, kIdCheckData));
      driver::Click(driver::ChildById(wizard, kIdCheckSound));
    }
    if (std::string(s.name) == "wizard-5-copy") {
      // A fifth of the way through the loose files: the label names one, the
      // bar moves, and the copy still runs when Capture's wait for painting ends.
      HWND bar = driver::ChildById(wizard, kIdProgress);
      driver::WaitUntil([&] {
        const LRESULT max = SendMessageW(bar, PBM_GETRANGE, FALSE, 0);
        return max > 0 && SendMessageW(bar, PBM_GETPOS, 0, 0) * 5 > max;
      }, kTimeout);
      Capture(driver::ScreenRect(background), s.name);
      break;
    }
    Shoot(background, s.name);
    if (std::string(s.name) == "wizard-1-media") driver::Click(driver::ChildById(wizard, kIdRadioDiskThis));
    driver::Click(driver::ChildById(wizard, kIdBtnNext));
    if (std::string(s.name) == "wizard-3-folder") driver::AnswerMessageDialog(p.Id(), IDYES, 1000);
  }
  if (HWND window = driver::WaitForWindowWithChild(p.Id(), TForm::kClassName, kIdReadmeClose, 60000)) {
    Shoot(window, "readme-window");
    driver::Click(driver::ChildById(window, kIdReadmeClose));
  }
  if (WaitCaption(wizard, L"完了")) {
    CloseGroupWindow(pkg.settings.Title, p.Id());
    SetForegroundWindow(wizard);
    Shoot(background, "wizard-6-done");
  }
  driver::Click(driver::ChildById(wizard, kIdBtnAbort));
  p.WaitExit(kTimeout);
}

void UninstallPages() {
  TestPackage pkg("installed");
  Package(pkg);
  pkg.settings.UninstallMode = 1;
  pkg.WriteSettings();
  testing_support::WriteFileBytes(pkg.Folder() + "save.dat", "save");
  Process p = pkg.Start("\"" + pkg.Folder() + "\"");
  HWND wizard = driver::WaitForWindowWithChild(p.Id(), TForm::kClassName, kIdBtnNext, kTimeout);
  if (!wizard) return;
  HWND background = driver::OtherTopWindow(p.Id(), TForm::kClassName, wizard);
  if (WaitCaption(wizard, L"アンインストール")) Shoot(background, "wizard-7-uninstall");
  // The deletion: its first step stands while the shell removes the group
  // (the window does not answer then, but the screen shows it).
  driver::Click(driver::ChildById(wizard, kIdBtnNext));
  if (WaitCaption(wizard, L"削除")) {
    Sleep(800);
    Shoot(background, "wizard-8-delete");
  }
  if (WaitCaption(wizard, L"完了")) Shoot(background, "wizard-6-uninstalled");
  driver::Click(driver::ChildById(wizard, kIdBtnAbort));
  p.WaitExit(kTimeout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: screenshot_driver OUTPUT_FOLDER [SUFFIX]\n");
    return 2;
  }
  g_out = AddTrailingDelimiter(enc::Narrow(argv[1]));
  if (argc == 3) g_suffix = enc::Narrow(argv[2]);
  Launcher();
  InstallPages();
  if (g_suffix.empty()) UninstallPages();
  return 0;
}
