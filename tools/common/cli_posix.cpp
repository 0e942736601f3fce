#include "common/cli.h"

namespace tools {

std::vector<std::string> Arguments(int argc, char** argv) {
  // The tools run under a UTF-8 locale on the build machines.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

void BinaryStdout() {}

}  // namespace tools
