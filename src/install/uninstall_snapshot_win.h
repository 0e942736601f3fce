// What the system reports before an uninstallation: the facts its plan is
// made from (uninstall_plan.h). Reading only: nothing is changed here.
#pragma once

#include <string>

#include "settings/install_set.h"
#include "install/uninstall_plan.h"

// install_folder: the folder the uninstaller was given, in normal form. Only
// names of UninstallCandidates are examined below it, and the program group
// only when the title is a group name of its own.
TUninstallSnapshot TakeUninstallSnapshot(const TZefoInstallSet& settings, const std::string& install_folder,
                                         bool delete_save_data);

// The Start menu's Programs folder, as the file system names it ("" when the
// shell does not tell).
std::wstring ProgramsFolder();
