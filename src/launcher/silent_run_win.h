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

// Uninstalls the installation of context.source_folder with the deletion
// work, which also moves this program out of the folder when it runs from
// there.
int RunSilentUninstall(const TWizardContext& context, const TRunSwitches& switches);
