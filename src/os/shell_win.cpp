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
      wchar_t buf[MAX_PATH];
      if (SUCCEEDED(StrRetToBufW(&name, pidl, buf, MAX_PATH))) path = buf;
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
