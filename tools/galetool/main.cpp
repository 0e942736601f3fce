#include <iostream>

#include "common/cli.h"
#include "galetool.h"

int main(int argc, char** argv) {
  // The JSON is UTF-8 with "\n" line ends, as on Linux.
  tools::BinaryStdout();
  return RunGaletool(tools::Arguments(argc, argv), std::cout, std::cerr);
}
