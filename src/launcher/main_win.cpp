// install.exe: the launcher on the medium, the installer, and the uninstaller
// left in the install folder.
#include <windows.h>

#include "base/encoding.h"
#include "launcher/command_line.h"
#include "launcher/startup_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::vector<std::string> args = SplitCommandLine(enc::Narrow(GetCommandLineW()));
  if (!args.empty()) args.erase(args.begin());  // the program itself
  return RunStartup(args);
}
