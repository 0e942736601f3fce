#include "os/shell_win.h"

#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "base/encoding.h"
#include "base/errors.h"
#include "os/registry_win.h"

namespace {

std::string ProgramFilesFromRegistry() {
  if (LOBYTE(LOWORD(GetVersion())) < 4) return {};
  const RegKey key =
      RegKey::Open(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", KEY_QUERY_VALUE);
  std::string value;
  // A string value is taken as stored, without expanding variables.
  return key.QueryString("ProgramFilesDir", &value) ? value : std::string();
}

}  // namespace

std::string SpecialFolderPath(int csidl) {
  if (csidl == kCsidlProgramFiles) return ProgramFilesFromRegistry();
  LPITEMIDLIST pidl = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &pidl)) || !pidl)
    throw EError("特殊フォルダの場所を取得できません");
  std::wstring path;
  IShellFolder* desktop = nullptr;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop))) {
    STRRET name;
    if (SUCCEEDED(desktop->GetDisplayNameOf(pidl, SHGDN_FORPARSING, &name))) {
      // Allocated by the shell at whatever length the name has.
      LPWSTR text = nullptr;
      if (SUCCEEDED(StrRetToStrW(&name, pidl, &text)) && text) {
        path = text;
        CoTaskMemFree(text);
      }
    }
    desktop->Release();
  }
  CoTaskMemFree(pidl);
  // A profile folder such as "Zoë" has only its short form in Shift-JIS.
  return path.empty() ? std::string() : enc::NarrowPath(path);
}

int ShellOpen(const std::string& file, const std::string& parameters, const std::string& folder, int show) {
  const std::wstring wfile = enc::Wide(file), wparams = enc::Wide(parameters), wfolder = enc::Wide(folder);
  const HINSTANCE r = ShellExecuteW(nullptr, L"open", wfile.c_str(), wparams.empty() ? nullptr : wparams.c_str(),
                                    wfolder.empty() ? nullptr : wfolder.c_str(), show);
  return static_cast<int>(reinterpret_cast<INT_PTR>(r));
}

bool RunAndWait(const std::string& program, const std::string& parameters, unsigned long* exit_code) {
  std::wstring command = L"\"" + enc::Wide(program) + L"\"";
  if (!parameters.empty()) command += L" " + enc::Wide(parameters);
  // The standard handles the parent gave this run reach the program too, so
  // what it writes for the parent lands where this run's lines would. A GUI
  // program may have none: then nothing is inherited.
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  HANDLE handles[2] = {GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE)};
  HANDLE inheritable[2] = {nullptr, nullptr};
  for (int i = 0; i < 2; ++i) {
    if (handles[i] && handles[i] != INVALID_HANDLE_VALUE && GetFileType(handles[i]) != FILE_TYPE_UNKNOWN)
      DuplicateHandle(GetCurrentProcess(), handles[i], GetCurrentProcess(), &inheritable[i], 0, TRUE,
                      DUPLICATE_SAME_ACCESS);
  }
  const bool inherit = inheritable[0] || inheritable[1];
  if (inherit) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = inheritable[0];
    si.hStdError = inheritable[1] ? inheritable[1] : inheritable[0];
  }
  // Without them, the console this run was started from (if any) is shared
  // for the wait: the program attaches to its parent's console.
  const bool attached = !inherit && AttachConsole(ATTACH_PARENT_PROCESS);
  PROCESS_INFORMATION pi = {};
  const BOOL started =
      CreateProcessW(nullptr, command.data(), nullptr, nullptr, inherit, 0, nullptr, nullptr, &si, &pi);
  const DWORD error = GetLastError();
  for (HANDLE h : inheritable)
    if (h) CloseHandle(h);
  if (!started) {
    if (attached) FreeConsole();
    SetLastError(error);
    return false;
  }
  CloseHandle(pi.hThread);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  if (attached) FreeConsole();
  *exit_code = code;
  return true;
}
