// The process-wide objects of a run. Start-up creates and frees them in a
// fixed order; every window reads them, and only the wizard changes them.
#pragma once

#include "archive/vrfiles.h"
#include "settings/install_set.h"

// The settings of the run: set from just after the archive probes until just
// before the hand-over.
extern TZefoInstallSet* InstallSet;

// The package's archive, or null whenever none is open (always in uninstall
// mode). Readers test for null before use.
extern TVrFileCollection* GameArchive;
