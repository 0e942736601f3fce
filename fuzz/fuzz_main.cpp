// One libFuzzer program per target: ZI_FUZZ_TARGET names it.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "targets.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folder[] = "/tmp/zi-fuzz-XXXXXX";
  if (!mkdtemp(folder)) std::abort();
  zifuzz::SetScratchFolder(std::string(folder) + "/");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zifuzz::RunTarget(ZI_FUZZ_TARGET, data, size);
  return 0;
}
