#include "common/package_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/format.h"
#include "base/fs.h"

namespace testing_support {

std::string InstallExePath() { return driver::HostPath(ZI_INSTALL_EXE); }

std::string UniqueName(const char* what) {
  static int n = 0;
  return Format("Zi%s%lu-%d", what, GetCurrentProcessId(), n++);
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

TestPackage::~TestPackage() { settings.DeleteRegistryKey(); }

void TestPackage::WriteSettings() const { settings.SaveToFile(folder_ + "install.dat"); }

driver::Process TestPackage::Start(const std::string& args, const std::string& output_file) const {
  const std::wstring temp = enc::Wide(temp_);
  driver::Process p = driver::Process::Start(Exe(), args, {{L"TEMP", temp}, {L"TMP", temp}}, "", L"", output_file);
  EXPECT_NE(p.Id(), 0u) << "install.exe did not start";
  return p;
}

}  // namespace testing_support
