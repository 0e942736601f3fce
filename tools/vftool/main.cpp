// vftool: list, read, extract and build "vf" archives (see vftool.cpp).
#include "common/cli.h"
#include "vftool/vftool.h"

int main(int argc, char** argv) {
  tools::SetProgramName("vftool");
  return vftool::Main(tools::Arguments(argc, argv));
}
