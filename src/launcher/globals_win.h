// The process-wide objects of a run. Start-up creates and frees them in a
// fixed order; every window reads them, and only the wizard changes them.
#pragma once

#include "settings/install_set.h"

// The settings of the run: set from just after the archive probes until just
// before the hand-over.
extern TZefoInstallSet* InstallSet;

#include <string>

// The first parameter of the program's command line, or "" when there is none.
std::string FirstParameter();
