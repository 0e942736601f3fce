// The installation's place in the registry: HKEY_CURRENT_USER\Software\ +
// RegistryKey (one leading delimiter ignored), holding "InstallPath" and "CDDrive".
#include "base/fs.h"
#include "base/paths.h"
#include "base/safe_names.h"
#include "os/registry_win.h"
#include "settings/install_set.h"
#include "settings/registry_key_rule.h"

namespace {

const char kSoftware[] = "Software";

std::string KeyPath(const std::string& registry_key) {
  return (!registry_key.empty() && registry_key[0] == '\\') ? registry_key.substr(1) : registry_key;
}

}  // namespace

std::string TZefoInstallSet::ReadValue(const std::string& name, const std::string& default_value) const {
  if (RegistryKey.empty()) return default_value;
  const RegKey key = RegKey::Open(HKEY_CURRENT_USER, std::string(kSoftware) + "\\" + KeyPath(RegistryKey), KEY_READ);
  std::string value;
  return key.QueryString(name, &value) ? value : default_value;
}

void TZefoInstallSet::WriteValue(const std::string& name, const std::string& value) const {
  // No caller can act on a failure here: a key that cannot be written leaves
  // the game without its folder value, as if it had never been installed.
  // A key the product cannot own is never written, so the uninstaller never
  // finds a reason to delete it.
  const std::optional<std::string> path = OwnedRegistryKeyPath(RegistryKey);
  if (!path) return;
  const RegKey key = RegKey::Create(HKEY_CURRENT_USER, std::string(kSoftware) + "\\" + *path);
  key.SetString(name, value);
}

void TZefoInstallSet::DeleteRegistryKey() const {
  // An empty key, and one that is not the product's (a damaged settings file
  // naming "\\" or "Microsoft"), is left alone; Software itself is never a
  // candidate, as the loop below stops before it.
  const std::optional<std::string> path = OwnedRegistryKeyPath(RegistryKey);
  if (!path) return;
  std::string k = *path;
  {
    const RegKey software = RegKey::Open(HKEY_CURRENT_USER, kSoftware, KEY_ALL_ACCESS);
    if (!software.IsOpen()) return;
    software.DeleteTree(k);
  }
  // Then every parent that nothing else uses any more.
  for (k = ParentKeyPath(k); !k.empty(); k = ParentKeyPath(k)) {
    bool empty;
    {
      const RegKey parent = RegKey::Open(HKEY_CURRENT_USER, std::string(kSoftware) + "\\" + k, KEY_READ);
      if (!parent.IsOpen()) return;
      empty = parent.IsEmpty();
    }
    if (!empty) return;
    const RegKey software = RegKey::Open(HKEY_CURRENT_USER, kSoftware, KEY_ALL_ACCESS);
    if (!software.IsOpen()) return;
    software.DeleteEmptySubKey(k);
  }
}

bool TZefoInstallSet::IsGameInstalled() const {
  // No game program (an empty GameExe) is never installed; neither is one
  // whose name leads out of the folder.
  if (!IsSafeRelativeName(GameExe)) return false;
  const std::string path = ReadValue("InstallPath", "");
  return !path.empty() && fs::FileExists(AddTrailingDelimiter(path) + GameExe);
}
