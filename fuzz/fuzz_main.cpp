// One libFuzzer program per target: ZI_FUZZ_TARGET names it.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "targets.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folder[] = "/tmp/zi-fuzz-XXXXXX";
  if (!mkdtemp(folder)) std::abort();
  zifuzz::SetScratchFolder(std::string(folder) + "/");
  // 64 MiB of surfaces per picture: every check runs as with the program's
  // 512 MiB, on pictures small enough for thousands of runs a second.
  zifuzz::SetGaleBudget(int64_t{64} << 20);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zifuzz::RunTarget(ZI_FUZZ_TARGET, data, size);
  return 0;
}
