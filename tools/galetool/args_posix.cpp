#include "args.h"

// Linux passes the arguments as the UTF-8 bytes they were typed in.
std::vector<std::string> Utf8Arguments(int argc, char** argv) { return std::vector<std::string>(argv + 1, argv + argc); }
