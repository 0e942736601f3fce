// The program's arguments (without its name) in UTF-8.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> Utf8Arguments(int argc, char** argv);
