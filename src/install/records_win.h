// The records an installation leaves for later runs: the settings file in the
// install folder (read by start-up, which then takes the uninstaller's role,
// and by the uninstaller) and the program group with its shortcuts.
#pragma once

#include <string>

#include "settings/install_set.h"

// Writes settings to target_dir + "install.dat" (whole, then put in place in
// one step). An add-on whose target already holds a settings file only adds
// its file names to that file: the installation keeps its title, sizes and
// flags. Throws EFOpenError / EInstallSetError for an existing file that
// cannot be read, EFCreateError when the file cannot be written.
void WriteSettingsRecord(const TZefoInstallSet& settings, const std::string& target_dir);

// The program group Title in the Start menu's Programs folder: the game (when GameExe names one), the
// uninstaller (install.exe of the install folder, its second icon) and, when
// the package has one, the read-me; then, when open_group, the group's folder window is opened.
// Throws EShellLinkError, or EError for a GameExe or ReadmeFile that is no
// plain name below the install folder.
void CreateShortcuts(const TZefoInstallSet& settings, const std::string& target_dir, bool open_group = true);
