#include "launcher/globals_win.h"

#include <windows.h>

#include "base/encoding.h"
#include "launcher/command_line.h"

TZefoInstallSet* InstallSet = nullptr;
TVrFileCollection* GameArchive = nullptr;

std::string FirstParameter() {
  const std::vector<std::string> args = SplitCommandLine(enc::Narrow(GetCommandLineW()));
  return args.size() >= 2 ? args[1] : std::string();
}
