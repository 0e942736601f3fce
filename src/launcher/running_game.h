// The name of the mutex the game holds while it runs: its install folder in
// upper case (ASCII letters only; double-byte characters untouched) with a
// trailing delimiter, every "\" replaced by "-". C:\Program Files\Game gives
// C:-PROGRAM FILES-GAME-.
#pragma once

#include <string>

std::string RunningGameMutexName(const std::string& install_path);

// The name of the instance lock of a package: its Title, which the settings
// check has made one plain folder name for every run that installs. An
// uninstaller also removes an installation whose title is not (written by an
// older program): there every single-byte "\", which the system would take
// for a namespace, becomes "-", so the lock can still be taken.
std::string InstanceMutexName(const std::string& title);
