#include "install/orphaned_entry.h"

#include "base/paths.h"
#include "base/sjis.h"
#include "settings/package_rules.h"
#include "settings/registry_key_rule.h"

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

std::optional<TZefoInstallSet> SettingsFromEntry(const TEntryFacts& e, const std::string& folder) {
  const std::string location = AddTrailingDelimiter(e.install_location);
  if (e.display_name.empty() || e.install_location.empty() || e.key_name != UninstallEntryName(e.display_name) ||
      !sjis::EqualsPathNoCase(location, AddTrailingDelimiter(folder)) ||
      e.uninstall_string != "\"" + location + "install.exe\"")
    return std::nullopt;
  TZefoInstallSet s;
  s.Title = e.display_name;
  if (OwnedRegistryKeyPath(e.registry_key)) s.RegistryKey = e.registry_key;
  s.UninstallMode = 1;
  s.AddInstalledFile("install.exe");
  return s;
}
