// The installation's entry in the system's list of installed programs: a key
// below HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall
// that is the product's own ("zinstall " + Title, the title's backslashes and
// control characters replaced), holding the display name, the uninstaller's
// commands (normal and quiet), its icon, the install folder, the registry key
// and the size, with no way to modify or repair.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/install_set.h"
#include "install/orphaned_entry.h"

// The settings taken from the entry that names folder's install.exe as its
// uninstaller (SettingsFromEntry), for an uninstaller whose install.dat is
// gone; nothing when no entry does.
std::optional<TZefoInstallSet> SettingsFromEntryOf(const std::string& folder);

// Writes the entry for an installation in target_dir (with a trailing
// delimiter) taking size_bytes. Only an installation with its uninstaller
// (target_dir + "install.exe") gets one. Returns false when it could not be
// written.
bool WriteUninstallEntry(const TZefoInstallSet& settings, const std::string& target_dir, int64_t size_bytes);

// "InstallLocation" of the entry of title; nothing when there is no entry.
std::optional<std::string> UninstallEntryLocation(const std::string& title);

// Removes the entry of title. The caller has made sure it is this
// installation's (its location names the install folder). True when it is gone.
bool DeleteUninstallEntry(const std::string& title);
