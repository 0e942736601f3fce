#include "install/uninstall_entry_win.h"

#include <windows.h>

#include "base/format.h"
#include "base/fs.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "os/registry_win.h"

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

}  // namespace

std::string UninstallEntryName(const std::string& title) {
  std::string name;
  for (size_t i = 0; i < title.size();) {
    const size_t n = sjis::CharLength(title, i);
    const unsigned char c = static_cast<unsigned char>(title[i]);
    if (n == 1 && (c < 0x20 || c == 0x7F || c == '\\')) name += '_';
    else name.append(title, i, n);
    i += n;
  }
  if (name.find_first_not_of(" _") == std::string::npos) return "";
  return "zinstall " + name;
}

bool WriteUninstallEntry(const TZefoInstallSet& s, const std::string& target_dir, int64_t size_bytes) {
  const std::string name = UninstallEntryName(s.Title);
  const std::string uninstaller = target_dir + "install.exe";
  if (name.empty() || !fs::FileExists(uninstaller)) return false;
  const RegKey key = RegKey::Create(HKEY_CURRENT_USER, std::string(kUninstallKey) + "\\" + name);
  if (!key.IsOpen()) return false;
  const int64_t kib = size_bytes > 0 ? (size_bytes + 1023) / 1024 : 0;
  SYSTEMTIME today;
  GetLocalTime(&today);
  bool ok = key.SetString("DisplayName", s.Title);
  ok = key.SetString("UninstallString", "\"" + uninstaller + "\"") && ok;
  ok = key.SetString("QuietUninstallString", "\"" + uninstaller + "\" /silent") && ok;
  ok = key.SetString("DisplayIcon", uninstaller + ",1") && ok;
  ok = key.SetString("InstallLocation", target_dir) && ok;
  ok = key.SetString("InstallDate", Format("%04d%02d%02d", today.wYear, today.wMonth, today.wDay)) && ok;
  ok = key.SetDword("EstimatedSize", static_cast<uint32_t>(kib > 0xFFFFFFFFLL ? 0xFFFFFFFFLL : kib)) && ok;
  ok = key.SetDword("NoModify", 1) && ok;
  ok = key.SetDword("NoRepair", 1) && ok;
  return ok;
}

std::optional<std::string> UninstallEntryLocation(const std::string& title) {
  const std::string name = UninstallEntryName(title);
  if (name.empty()) return std::nullopt;
  const RegKey entry = RegKey::Open(HKEY_CURRENT_USER, std::string(kUninstallKey) + "\\" + name, KEY_READ);
  if (!entry.IsOpen()) return std::nullopt;
  std::string location;
  entry.QueryString("InstallLocation", &location);
  return location;
}

bool DeleteUninstallEntry(const std::string& title) {
  const std::string name = UninstallEntryName(title);
  if (name.empty()) return true;
  const RegKey uninstall = RegKey::Open(HKEY_CURRENT_USER, kUninstallKey, KEY_ALL_ACCESS);
  if (uninstall.IsOpen()) uninstall.DeleteTree(name);
  return !RegKey::Open(HKEY_CURRENT_USER, std::string(kUninstallKey) + "\\" + name, KEY_READ).IsOpen();
}
