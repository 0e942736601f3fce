// The names a copy of the program takes in the temporary folder, in the order
// they are tried: "~zinstall.exe", then "~zinstall0.exe" to "~zinstall98.exe".
// A name stays in use while a copy runs from it, so the next one is tried.
#pragma once

#include <string>

constexpr int kTemporaryProgramNames = 100;

// The name tried at attempt (0 to kTemporaryProgramNames - 1).
std::string TemporaryProgramName(int attempt);
// Whether file_name (without folder; ASCII case ignored) is one of those names.
bool IsTemporaryProgramName(const std::string& file_name);
