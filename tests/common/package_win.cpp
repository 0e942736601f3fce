#include "common/package_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"
#include "common/medium_win.h"

namespace testing_support {

std::string InstallExePath() { return driver::HostPath(ZI_INSTALL_EXE); }

std::string UniqueName(const char* what) {
  // Wine hands a finished test's process id to a later test of the same run; with the process's
  // start time, whatever an earlier test left behind under its names never meets a later test's.
  static const unsigned long started = [] {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const ULONGLONG ticks = (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime;
    return static_cast<unsigned long>(ticks / 10000);  // milliseconds, wrapping every 49 days
  }();
  static int n = 0;
  return Format("Zi%s%lu-%lx-%d", what, GetCurrentProcessId(), started, n++);
}

TestPackage::TestPackage(const std::string& folder_name) {
  folder_ = dir_ / (folder_name + "\\");
  temp_ = dir_ / "tmp\\";
  fs::MakeDirectories(folder_);
  fs::MakeDirectories(temp_);
  EXPECT_TRUE(CopyFileW(enc::Wide(InstallExePath()).c_str(), enc::Wide(Exe()).c_str(), FALSE));
  settings.Title = UniqueName("Title");
  settings.RegistryKey = "ZiDriverTests\\" + UniqueName("Key");
  settings.GameExe = "game.exe";
  settings.MediaName = "CD-ROM";
  settings.SetDiskCount(1);
}

TestPackage::~TestPackage() { RemoveInstallationRecords(settings); }

void RemoveInstallationRecords(const TZefoInstallSet& s) {
  s.DeleteRegistryKey();
  // The group's folder window the installer opened, and the group itself.
  const std::wstring title = enc::Wide(s.Title);
  for (HWND w = FindWindowW(nullptr, title.c_str()); w; w = FindWindowW(nullptr, title.c_str())) {
    PostMessageW(w, WM_CLOSE, 0, 0);
    if (!driver::WaitUntil([&] { return !IsWindow(w); }, 5000)) break;
  }
  RemoveTree(ProgramsFolder() + s.Title + "\\");
  RegDeleteTreeW(HKEY_CURRENT_USER, enc::Wide(UninstallKeyPath(s.Title)).c_str());
}

std::string UninstallKeyPath(const std::string& title) {
  return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\zinstall " + title;
}

void TestPackage::WriteSettings() const { settings.SaveToFile(folder_ + "install.dat"); }

driver::Process TestPackage::Start(const std::string& args, const std::string& output_file) const {
  const std::wstring temp = enc::Wide(temp_);
  driver::Process p = driver::Process::Start(Exe(), args, {{L"TEMP", temp}, {L"TMP", temp}}, "", L"", output_file);
  EXPECT_NE(p.Id(), 0u) << "install.exe did not start";
  return p;
}

}  // namespace testing_support
