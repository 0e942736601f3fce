// install.exe: the launcher on the medium, the installer, and the uninstaller
// left in the install folder.
#include <windows.h>

#include <string_view>
#include <vector>

#include "base/encoding.h"
#include "launcher/command_line.h"
#include "launcher/startup_win.h"

namespace {

// The command line after the program's own name, which the program takes
// from the system separately (it may need its short form).
std::wstring_view Parameters(std::wstring_view line) {
  size_t i = 0;
  while (i < line.size() && line[i] <= L' ') ++i;
  bool quoted = false;
  while (i < line.size() && (quoted || line[i] > L' ')) {
    if (line[i] == L'"') quoted = !quoted;
    ++i;
  }
  return line.substr(i);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // A name that code page 932 cannot hold would reach the program as another
  // name ("?" in its place): refuse the parameters rather than act on them.
  const std::wstring_view wide = Parameters(GetCommandLineW());
  const std::vector<std::string> args = SplitCommandLine(enc::Narrow(wide));
  return RunStartup(args, enc::FirstCharWithoutCp932(std::u16string_view(
                              reinterpret_cast<const char16_t*>(wide.data()), wide.size())));
}
