// The names a copy of the program takes in the temporary folder, in the order
// they are tried: "~zinstall.exe", then "~zinstall0.exe" to "~zinstall98.exe".
// A name stays in use while a copy runs from it, so the next one is tried.
#pragma once

#include <functional>
#include <string>

constexpr int kTemporaryProgramNames = 100;

// The name tried at attempt (0 to kTemporaryProgramNames - 1).
std::string TemporaryProgramName(int attempt);
// Whether file_name (without folder; ASCII case ignored) is one of those names.
bool IsTemporaryProgramName(const std::string& file_name);

// Puts the program under the first of those names in temp_folder (with a
// trailing delimiter) that place accepts: place(full name) copies or moves
// it there and says whether that worked. The full name used, or "" when
// every name was refused.
std::string PlaceUnderTemporaryName(const std::string& temp_folder,
                                    const std::function<bool(const std::string&)>& place);
