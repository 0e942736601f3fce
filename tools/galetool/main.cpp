#include <cstdio>
#include <iostream>

#include "args.h"
#include "galetool.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // The JSON is UTF-8 with "\n" line ends, as on Linux.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  return RunGaletool(Utf8Arguments(argc, argv), std::cout, std::cerr);
}
