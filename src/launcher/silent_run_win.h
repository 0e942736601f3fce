// Unattended runs (/silent): the same copy and deletion work as the wizard,
// with no window and no question. What the wizard would ask is decided by the
// switches or by the wizard's own defaults; whatever would stop the wizard
// with a message ends the run with an exit code (exit_codes.h) and the reason
// in the log.
#pragma once

#include <string>

#include "launcher/switches.h"
#include "install/wizard_context.h"

// Installs the package of context (its settings, archive and medium folder).
// Defaults: every component, every disc when the run starts on the first disc
// of a set (else this disc), the folder the wizard would propose.
int RunSilentInstall(const TWizardContext& context, const TRunSwitches& switches);

// Uninstalls the installation of context.source_folder. program: this
// program's file; when it lies in the install folder and the system would not
// delete it while it runs, it is moved to the temporary folder and deleted at
// the next restart, so the folder still goes.
int RunSilentUninstall(const TWizardContext& context, const TRunSwitches& switches, const std::string& program);
