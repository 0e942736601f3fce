// Text for whoever started this GUI program from a console (a script, an
// administrator's prompt). A GUI program has no console of its own; it
// attaches to its parent's, when there is one, for as long as it writes.
#pragma once

#include <string>

// Writes sjis_text and a line break to the parent's console; nothing when the
// parent has none.
void WriteToParentConsole(const std::string& sjis_text);

// The full form of a path given on the command line (relative to the current
// folder), or "" when the system cannot form it or code page 932 cannot hold it.
std::string FullPathName(const std::string& path);
