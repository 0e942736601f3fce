// Works the demo package through a whole life under Wine, as a person would:
// the launcher on the medium, the install of both discs (the drive pointed at
// disc 2 when the prompt asks for it), the game started from the launcher,
// the uninstall from the install folder, the launcher again. It prints each
// step and what it finds, and saves a screenshot of each step.
//
// Usage: demo_driver DRIVE DISC1_FOLDER DISC2_FOLDER OUTPUT_FOLDER
//   DRIVE: the letter the medium is on (disc 1 inserted); DISCn_FOLDER: the
//   Windows paths of the discs; OUTPUT_FOLDER: for the screenshots (BMP) and
//   a copy of the installed install.dat.
#include <windows.h>
#include <objbase.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "common/medium_win.h"
#include "common/wizard_win.h"
#include "forms/message_dialog_win.h"
#include "launcher/start_win.h"
#include "os/registry_win.h"
#include "settings/install_set.h"
#include "wizard/readme_form_win.h"

using testing_support::Wizard;

namespace {

constexpr int kTimeout = 30000;
std::string g_out;
int g_shot = 0;
int g_failures = 0;

void Say(const std::string& sjis) {
  const std::string utf8 = enc::SjisToUtf8(sjis);
  std::printf("%s\n", utf8.c_str());
  std::fflush(stdout);
}

void Check(bool ok, const std::string& what) {
  Say(std::string(ok ? "  ok: " : "  FAILED: ") + what);
  if (!ok) ++g_failures;
}

void Shot(HWND window, const std::string& name) {
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  const std::string file = Format("%02d-%s.bmp", ++g_shot, name.c_str());
  if (window && driver::SaveBmp(driver::ScreenPixels(driver::ScreenRect(window)), g_out + file))
    Say("  screenshot " + file);
}

driver::Process Start(const std::string& exe) {
  return driver::Process::Start(exe, "");
}

HWND WaitLauncher(DWORD pid) { return driver::WaitForWindowWithChild(pid, TForm::kClassName, kIdBtnStart, kTimeout); }

// The long form of a path (a shortcut may hold the short one).
std::string LongPath(const std::wstring& path) {
  wchar_t buf[MAX_PATH * 2];
  const DWORD n = GetLongPathNameW(path.c_str(), buf, MAX_PATH * 2);
  return enc::Narrow(n > 0 && n < MAX_PATH * 2 ? std::wstring(buf, n) : path);
}

// The installation's registry value, or "" when there is none.
std::string InstallPath(const TZefoInstallSet& s) { return s.ReadValue("InstallPath", ""); }

struct Closing {
  std::wstring part;
  DWORD spared;  // the installer's own windows carry the title too
};

BOOL CALLBACK CloseIfTitled(HWND w, LPARAM lp) {
  const auto* c = reinterpret_cast<const Closing*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != c->spared && IsWindowVisible(w) && driver::Text(w).find(c->part) != std::wstring::npos)
    PostMessageW(w, WM_CLOSE, 0, 0);
  return TRUE;
}

// Closes visible top-level windows of other processes whose caption holds
// part (the shell's folder window of the program group, the read-me's editor).
void CloseWindowsTitled(const std::wstring& part, DWORD spared) {
  const Closing c{part, spared};
  EnumWindows(CloseIfTitled, reinterpret_cast<LPARAM>(&c));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: demo_driver DRIVE DISC1_FOLDER DISC2_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const char drive = static_cast<char>(argv[1][0]);
  const std::string medium = std::string(1, drive) + ":\\";
  const std::string disc1 = enc::Narrow(argv[2]), disc2 = enc::Narrow(argv[3]);
  g_out = AddTrailingDelimiter(enc::Narrow(argv[4]));

  TZefoInstallSet package;
  package.LoadFromFile(medium + "install.dat");
  Say("package: " + package.Title + " (" + Format("%d", package.DiskCount) + " discs), registry key HKCU\\Software\\" +
      package.RegistryKey);

  // 1. The launcher on disc 1: not installed yet.
  Say("1. the launcher on the medium");
  {
    driver::Process launcher = Start(medium + "install.exe");
    HWND form = WaitLauncher(launcher.Id());
    Check(form != nullptr, "the launcher opened");
    if (!form) return 1;
    Shot(form, "launcher");
    Check(!IsWindowEnabled(driver::ChildById(form, kIdBtnStart)), "ゲームスタート is disabled: the game is not installed");

    // 2. Install: the wizard runs in the launcher's process (everything comes from the archives).
    Say("2. インストール: the wizard");
    driver::Click(driver::ChildById(form, kIdBtnInstall));
    Wizard w(launcher);
    Check(w.Found(), "the wizard opened");
    if (!w.Found()) return 1;
    HWND background = w.Background();
    if (w.WaitForCaption(L"インストールする" + enc::Wide(package.MediaName))) {
      Shot(background, "wizard-media");
      w.Click(kIdBtnNext);
    }
    Check(w.WaitForCaption(L"インストールするファイル"), "the component page");
    if (w.Visible(kIdCheckData) && !w.Checked(kIdCheckData)) w.Click(kIdCheckData);
    if (w.Visible(kIdCheckSound) && !w.Checked(kIdCheckSound)) w.Click(kIdCheckSound);
    Shot(background, "wizard-components");
    w.Click(kIdBtnNext);
    Check(w.WaitForCaption(L"インストール先の選択"), "the folder page");
    Shot(background, "wizard-folder");
    const std::string target = AddTrailingDelimiter(enc::Narrow(w.Text(kIdEditDir)));
    Say("  install folder: " + target);
    w.Click(kIdBtnNext);
    driver::AnswerMessageDialog(launcher.Id(), IDYES, 1500);  // "not enough space": go on
    Check(w.WaitForCaption(L"インストール準備完了"), "the confirmation page");
    Shot(background, "wizard-confirm");
    w.Click(kIdBtnNext);
    if (driver::WaitUntil([&] { return !w.Text(kIdLabelCopy).empty() && w.Text(kIdLabelCopy) != L"..."; }, kTimeout))
      Shot(background, "wizard-copy");
    for (int d = 2; d <= package.DiskCount; ++d) {
      HWND prompt = driver::WaitForWindow(launcher.Id(), kMessageDialogClass, 120000);
      Check(prompt && driver::ReadMessageDialog(prompt).text == enc::Wide(Format("ディスク%dを入れてからOKをクリックしてください", d)),
            Format("the prompt for disc %d", d));
      Shot(prompt, Format("disc-%d-prompt", d));
      Check(testing_support::PointDrive(drive, disc2), Format("disc %d in the drive", d));
      // The prompt sees the disc and goes by itself.
      Check(driver::WaitUntil([&] { return !IsWindow(prompt) || !IsWindowVisible(prompt); }, kTimeout),
            Format("the prompt for disc %d went by itself", d));
    }
    // A text read-me shows in the program's own window where the system's code
    // page is not 932 (the editor would garble it): modal, before the last page.
    const bool readme = !package.ReadmeFile.empty() && package.OpenReadme;
    const bool own_readme = readme && GetACP() != 932;
    if (own_readme) {
      HWND window = driver::WaitForWindowWithChild(launcher.Id(), TForm::kClassName, kIdReadmeClose, 300000);
      Check(window != nullptr, "the read-me was shown in the program's window");
      Shot(window, "readme");
      if (window) driver::Click(driver::ChildById(window, kIdReadmeClose));
    }
    Check(w.WaitForCaption(L"完了", 300000), "the install finished");
    CloseWindowsTitled(enc::Wide(package.Title), launcher.Id());  // the program group's folder window
    // The read-me opens in the editor the system associates with it; a
    // running editor would keep the install folder in use.
    if (readme && !own_readme) {
      const DWORD editor = driver::WaitForProgram(L"notepad.exe", 10000);
      Check(editor != 0, "the read-me was opened");
      HWND window = editor ? driver::WaitForWindow(editor, nullptr, kTimeout) : nullptr;
      Shot(window, "readme");
      if (window) PostMessageW(window, WM_CLOSE, 0, 0);
      driver::WaitNoProgram(L"notepad.exe", kTimeout);
    }
    SetForegroundWindow(w.Form());
    Shot(background, "wizard-done");
    w.Click(kIdBtnAbort);
    launcher.WaitExit(kTimeout);

    Say("3. what was installed");
    Say("  InstallPath = " + InstallPath(package));
    Check(InstallPath(package) == target, "the registry names the install folder");
    for (const std::string& f : testing_support::FilesBelow(target))
      Say(Format("  %10lld  %s", static_cast<long long>(fs::FileSizeOf(target + f)), f.c_str()));
    const std::string group = testing_support::ProgramsFolder() + package.Title + "\\";
    for (const std::string& f : testing_support::FilesBelow(group)) {
      testing_support::ShortcutInfo info;
      if (testing_support::ReadShortcut(group + f, &info))
        Say("  shortcut " + f + " -> " + LongPath(info.path) + Format(" (icon %d)", info.icon_index));
    }
    CopyFileW(enc::Wide(target + "install.dat").c_str(), enc::Wide(g_out + "installed-install.dat").c_str(), FALSE);

  }

  // 4. The game from the launcher; while it runs, the medium's program stays quiet.
  Say("4. ゲームスタート from the launcher (disc 1 back in the drive)");
  testing_support::PointDrive(drive, disc1);
  const std::string target = InstallPath(package);
  {
    driver::Process launcher = Start(medium + "install.exe");
    HWND form = WaitLauncher(launcher.Id());
    Check(form && IsWindowEnabled(driver::ChildById(form, kIdBtnStart)), "ゲームスタート is enabled");
    Shot(form, "launcher-installed");
    driver::Click(driver::ChildById(form, kIdBtnStart));
    launcher.WaitExit(kTimeout);
  }
  const DWORD game = driver::WaitForProgram(enc::Wide(ExtractFileName(package.GameExe)), kTimeout);
  Check(game != 0, "the game runs");
  HWND game_window = game ? driver::WaitForWindow(game, nullptr, kTimeout) : nullptr;
  Shot(game_window, "game");
  {
    driver::Process again = Start(medium + "install.exe");
    const bool quiet = again.WaitExit(kTimeout) && driver::TopWindows(again.Id()).empty();
    Check(quiet, "install.exe on the medium ends at once while the game runs");
  }
  if (game_window) PostMessageW(game_window, WM_CLOSE, 0, 0);
  Check(driver::WaitNoProgram(enc::Wide(ExtractFileName(package.GameExe)), kTimeout), "the game was closed");

  // 5. The uninstaller: the program in the install folder hands over to a temporary copy.
  Say("5. uninstall: " + target + "install.exe");
  {
    driver::Process uninstaller = Start(target + "install.exe");
    uninstaller.WaitExit(kTimeout);
    const DWORD copy = driver::WaitForProgram(L"~zinstall.exe", kTimeout);
    Check(copy != 0, "the temporary copy runs the uninstaller");
    Wizard u(copy);
    if (u.Found() && u.WaitForCaption(L"アンインストール")) {
      HWND background = u.Background();
      Shot(background, "uninstall");
      u.Click(kIdBtnNext);  // 実行
      if (u.WaitForCaption(L"削除", 5000)) Shot(background, "uninstall-deleting");
      Check(u.WaitForCaption(L"完了", 120000) && u.Text(kIdLabelExit) == L"アンインストールが完了しました",
            "アンインストールが完了しました");
      Shot(background, "uninstall-done");
      u.Click(kIdBtnAbort);
    }
    driver::WaitNoProgram(L"~zinstall.exe", kTimeout);
  }
  Check(!fs::DirectoryExists(target), "the install folder is gone");
  Check(InstallPath(package).empty(), "InstallPath is gone");
  Check(!fs::DirectoryExists(testing_support::ProgramsFolder() + package.Title), "the program group is gone");

  // 6. The launcher again: nothing to start.
  Say("6. the launcher on the medium again");
  {
    driver::Process launcher = Start(medium + "install.exe");
    HWND form = WaitLauncher(launcher.Id());
    Check(form && !IsWindowEnabled(driver::ChildById(form, kIdBtnStart)), "ゲームスタート is disabled again");
    Shot(form, "launcher-after");
    if (form) PostMessageW(form, WM_CLOSE, 0, 0);
    launcher.WaitExit(kTimeout);
  }
  Say(g_failures == 0 ? "the whole life went as expected" : Format("%d steps did not go as expected", g_failures));
  return g_failures == 0 ? 0 : 1;
}
