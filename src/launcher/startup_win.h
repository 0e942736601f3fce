// The program's entry: decides from its own file, its command line and
// install.dat which role this run plays, owns the settings and the instance
// mutex, and hands over to another program when it ends.
//
//   UninstallMode, no parameter   uninstaller in the install folder: hands over to a temporary copy
//   UninstallMode, a parameter    the temporary copy: wizard in uninstall mode
//   a parameter, AddOn or kind 2  wizard at once
//   otherwise                     launcher; then install (here or through a temporary copy) or game start
#pragma once

#include <string>
#include <vector>

// params: the command-line parameters without the program name (only the
// first is used). Returns the process exit code.
// unspellable: the first character of the parameters that code page 932
// cannot spell (it reads "?" there), "" when there is none; the run is then
// refused rather than acting on another name, and says which character it was,
// in the log too when one is asked for.
int RunStartup(const std::vector<std::string>& params, const std::u16string& unspellable = {});
