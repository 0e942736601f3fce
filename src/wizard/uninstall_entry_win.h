// The installation's entry in the system's list of installed programs: a key
// below HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall
// that is the product's own ("zinstall " + Title, the title's backslashes and
// control characters replaced), holding the display name, the uninstaller's
// commands (normal and quiet), its icon, the install folder and the size, with
// no way to modify or repair.
#pragma once

#include <cstdint>
#include <string>

#include "settings/install_set.h"

// The key's name below Uninstall, or "" when the title gives none.
std::string UninstallEntryName(const std::string& title);

// Writes the entry for an installation in target_dir (with a trailing
// delimiter) taking size_bytes. Only an installation with its uninstaller
// (target_dir + "install.exe") gets one. Returns false when it could not be
// written.
bool WriteUninstallEntry(const TZefoInstallSet& settings, const std::string& target_dir, int64_t size_bytes);

// Removes the entry, but only when it names install_folder as its location:
// an entry of the same title installed elsewhere is not this installation's.
void DeleteUninstallEntry(const TZefoInstallSet& settings, const std::string& install_folder);
