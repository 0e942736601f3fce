// The name of the mutex the game holds while it runs: its install folder in
// upper case (ASCII letters only; double-byte characters untouched) with a
// trailing delimiter, every "\" replaced by "-". C:\Program Files\Game gives
// C:-PROGRAM FILES-GAME-.
#pragma once

#include <string>

std::string RunningGameMutexName(const std::string& install_path);
