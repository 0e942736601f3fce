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
  // An uninstaller whose install.dat is gone finds its values through this.
  if (!s.RegistryKey.empty()) ok = key.SetString("RegistryKey", s.RegistryKey) && ok;
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

std::optional<TZefoInstallSet> SettingsFromEntryOf(const std::string& folder) {
  const RegKey uninstall = RegKey::Open(HKEY_CURRENT_USER, kUninstallKey, KEY_READ);
  for (const std::string& name : uninstall.SubKeyNames()) {
    if (name.rfind("zinstall ", 0) != 0) continue;
    const RegKey entry = RegKey::Open(HKEY_CURRENT_USER, std::string(kUninstallKey) + "\\" + name, KEY_READ);
    TEntryFacts facts;
    facts.key_name = name;
    entry.QueryString("DisplayName", &facts.display_name);
    entry.QueryString("InstallLocation", &facts.install_location);
    entry.QueryString("UninstallString", &facts.uninstall_string);
    entry.QueryString("RegistryKey", &facts.registry_key);
    if (std::optional<TZefoInstallSet> s = SettingsFromEntry(facts, folder)) return s;
  }
  return std::nullopt;
}

bool DeleteUninstallEntry(const std::string& title) {
  const std::string name = UninstallEntryName(title);
  if (name.empty()) return true;
  const RegKey uninstall = RegKey::Open(HKEY_CURRENT_USER, kUninstallKey, KEY_ALL_ACCESS);
  if (uninstall.IsOpen()) uninstall.DeleteTree(name);
  return !RegKey::Open(HKEY_CURRENT_USER, std::string(kUninstallKey) + "\\" + name, KEY_READ).IsOpen();
}
