// The installed-programs entry of an installation, judged without the
// registry: its key's name, and what an uninstaller whose settings file is
// gone may take from it. A run stopped by an earlier version (or a settings
// file deleted by hand) can leave the uninstaller, the entry that names it and
// the registry values without install.dat; the uninstaller still removes them.
#pragma once

#include <optional>
#include <string>

#include "settings/install_set.h"

// The entry's key name below Uninstall: "zinstall " + Title, the title's
// backslashes and control characters replaced by "_"; "" when the title
// gives none.
std::string UninstallEntryName(const std::string& title);

// What one entry below Uninstall holds.
struct TEntryFacts {
  std::string key_name;
  std::string display_name;      // "DisplayName", the title
  std::string install_location;  // "InstallLocation", with a trailing delimiter
  std::string uninstall_string;  // "UninstallString": the uninstaller in double quotes
  std::string registry_key;      // "RegistryKey"; empty in entries written before it was recorded
};

// The settings an uninstaller in folder (with or without a trailing
// delimiter) takes from entry when folder holds no install.dat: only when the
// entry is the product's own for its title (its key name is
// UninstallEntryName of DisplayName), its location is folder and its
// uninstaller is folder's install.exe. Title, the RegistryKey when it is one
// the product can own, UninstallMode 1, install.exe recorded.
std::optional<TZefoInstallSet> SettingsFromEntry(const TEntryFacts& entry, const std::string& folder);
