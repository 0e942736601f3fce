#include "launcher/globals_win.h"

TZefoInstallSet* InstallSet = nullptr;
TVrFileCollection* GameArchive = nullptr;
