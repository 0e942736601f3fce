// install.exe on a machine whose folders code page 932 cannot hold: a medium
// folder "médium Zoë" and a profile "Zoë" whose temporary folder receives the
// program's copy. The program works through the folders' short forms; once it
// took the look-alike "Zoe" folders, found no settings and no temporary folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "base/encoding.h"
#include "common/package_win.h"
#include "common/temp_dir.h"
#include "common/windriver_win.h"
#include "settings/install_set.h"

using driver::kTimeout;

namespace {

// Starts exe (a wide path) with TEMP and TMP set to temp.
HANDLE StartWide(const std::wstring& exe, const std::wstring& folder, const std::wstring& temp, DWORD* pid) {
  std::map<std::wstring, std::wstring> vars;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
      const std::wstring entry = p;
      const size_t eq = entry.find(L'=', 1);
      if (eq == std::wstring::npos) continue;
      const std::wstring name = entry.substr(0, eq);
      if (_wcsicmp(name.c_str(), L"TEMP") != 0 && _wcsicmp(name.c_str(), L"TMP") != 0)
        vars[name] = entry.substr(eq + 1);
    }
    FreeEnvironmentStringsW(block);
  }
  vars[L"TEMP"] = vars[L"TMP"] = temp;
  std::wstring env;
  for (const auto& [k, v] : vars) env += k + L"=" + v + L'\0';
  env += L'\0';
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, env.data(),
                      folder.c_str(), &si, &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  *pid = pi.dwProcessId;
  return pi.hProcess;
}

}  // namespace

TEST(StartupUnicodePaths, UninstallerInAFolderCodePage932CannotHoldHandsOverThroughSuchATempFolder) {
  testing_support::TempDir dir;
  const std::wstring base = enc::Wide(dir.Path());
  const std::wstring medium = base + L"m\u00E9dium Zo\u00EB\\";
  const std::wstring profile = base + L"Zo\u00EB\\";
  const std::wstring temp = profile + L"Temp\\";
  for (const std::wstring& f : {medium, profile, temp}) ASSERT_TRUE(CreateDirectoryW(f.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(enc::Wide(testing_support::InstallExePath()).c_str(), (medium + L"install.exe").c_str(), FALSE));

  TZefoInstallSet settings;
  settings.Title = testing_support::UniqueName("Title");
  settings.RegistryKey = "ZiDriverTests\\" + testing_support::UniqueName("Key");
  settings.GameExe = "game.exe";
  settings.SetDiskCount(1);
  settings.UninstallMode = 1;
  settings.SaveToFile(enc::NarrowPath(medium) + "install.dat");

  DWORD pid = 0;
  HANDLE process = StartWide(medium + L"install.exe", medium, temp, &pid);
  ASSERT_NE(process, nullptr);
  // The uninstaller in the folder copies itself into the temporary folder and
  // ends; a look-alike path would have shown the missing-settings warning.
  const bool ended = WaitForSingleObject(process, kTimeout) == WAIT_OBJECT_0;
  CloseHandle(process);
  if (!ended) {
    const driver::MessageDialogContent seen = driver::AnswerMessageDialog(pid, IDOK, 1000);
    FAIL() << "the program did not hand over; it showed: " << enc::Narrow(seen.text);
  }
  EXPECT_NE(GetFileAttributesW((temp + L"~zinstall.exe").c_str()), INVALID_FILE_ATTRIBUTES)
      << "no copy in the temporary folder";
  // The copy finds the settings through the folder it was given and runs the
  // uninstall wizard; Abort and Yes end it.
  const DWORD copy_pid = driver::WaitForProgram(L"~zinstall.exe", kTimeout);
  ASSERT_NE(copy_pid, 0u) << "the copy did not start";
  HWND abort_button = nullptr;
  driver::WaitUntil([&] {
    for (HWND w : driver::TopWindows(copy_pid, L"ZiForm"))
      if (HWND b = driver::ChildById(w, 203)) abort_button = b;
    return abort_button != nullptr;
  }, kTimeout);
  ASSERT_NE(abort_button, nullptr) << "no uninstall wizard in the copy";
  driver::Click(abort_button);
  EXPECT_FALSE(driver::AnswerMessageDialog(copy_pid, IDYES, kTimeout).caption.empty());
  EXPECT_TRUE(driver::WaitNoProgram(L"~zinstall.exe", kTimeout));
  settings.DeleteRegistryKey();
}
