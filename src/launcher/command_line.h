// The program's command line, split the way the hand-over expects: blanks
// separate parameters, double quotes group and are dropped, and a backslash is
// an ordinary character (the hand-over passes a folder such as "C:\Game\",
// whose final backslash must not escape the closing quote).
#pragma once

#include <string>
#include <vector>

// Splits a whole command line (Shift-JIS). The first element is the program.
std::vector<std::string> SplitCommandLine(const std::string& command_line);
