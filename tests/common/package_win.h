// A test package: a folder holding a copy of the built install.exe and, when
// written, its install.dat; a private temporary folder for the program's
// copies; a title and registry key of its own, removed again afterwards.
#pragma once

#include <string>

#include "common/temp_dir.h"
#include "common/windriver_win.h"
#include "settings/install_set.h"

namespace testing_support {

// The built install.exe (the build passes its path as ZI_INSTALL_EXE).
std::string InstallExePath();

class TestPackage {
 public:
  explicit TestPackage(const std::string& folder_name = "media");
  ~TestPackage();
  TestPackage(const TestPackage&) = delete;
  TestPackage& operator=(const TestPackage&) = delete;

  void WriteSettings() const;
  std::string Exe() const { return folder_ + "install.exe"; }
  const std::string& Folder() const { return folder_; }  // with a trailing delimiter
  const std::string& Temp() const { return temp_; }
  const TempDir& Dir() const { return dir_; }

  // Starts the program with a raw command-line tail, TEMP and TMP pointing at
  // Temp() (its standard output to output_file when one is named).
  driver::Process Start(const std::string& args = "", const std::string& output_file = "") const;

  // The installation's registry value, or "<none>".
  std::string Value(const std::string& name) const { return settings.ReadValue(name, "<none>"); }

  TZefoInstallSet settings;

 private:
  TempDir dir_;
  std::string folder_;
  std::string temp_;
};

// Removes what an installation under the settings' title and key leaves outside its folder: the
// registry key, the program group (its open folder window closed first) and the entry among the
// installed programs.
void RemoveInstallationRecords(const TZefoInstallSet& s);

// The key below HKEY_CURRENT_USER of the entry among the installed programs for a plain title.
std::string UninstallKeyPath(const std::string& title);

// A name unique in this run, for titles, keys and mutexes, even where process ids are reused.
std::string UniqueName(const char* what);

}  // namespace testing_support
