// install.exe /verify in an install folder: checks the installation without
// a window and says how it went through the exit code, the run log and the
// console of the program that started it.
#pragma once

#include <string>

class TRunLog;

// Checks the installation in install_folder (VerifyInstallation) and writes
// one line per problem and a summary line to log (when given) and to the
// standard output the parent handed over, or else to the parent's console
// (none: nothing is written there). Returns kExitSuccess when the
// installation is intact, kExitVerifyFailed when something is missing or
// damaged (install.dat itself included), kExitNoSettings when the folder has
// no install.dat or one that is not an installation's.
int RunVerify(const std::string& install_folder, TRunLog* log);
