// vftool list of a 100,000-entry archive against unzip -Z1 of a zip holding
// the same names. Goal: at most 0.5x unzip's time.
#include <sys/stat.h>

#include <cstdio>

#include "bench_util.h"

int main() {
  using namespace bench;
  if (!Have("zip") || !Have("unzip")) {
    std::fprintf(stderr, "bench_list needs zip and unzip (apt-get install zip unzip)\n");
    return 1;
  }
  Scratch scratch;
  const std::string in = scratch.Path() + "/in";
  constexpr int kFolders = 100, kPerFolder = 1000;
  std::printf("writing %d files...\n", kFolders * kPerFolder);
  std::fflush(stdout);
  mkdir(in.c_str(), 0777);
  for (int d = 0; d < kFolders; ++d) {
    const std::string folder = in + "/scene" + std::to_string(d);
    mkdir(folder.c_str(), 0777);
    for (int f = 0; f < kPerFolder; ++f) {
      char name[64];
      std::snprintf(name, sizeof name, "/graphic_%03d_%05d.bmp", d, f);
      WriteFile(folder + name, std::to_string(f));
    }
  }
  const std::string archive = scratch.Path() + "/game.dat", zip = scratch.Path() + "/game.zip";
  MustRun({VFTOOL_PATH, "pack", archive, in});
  MustRun({"zip", "-q", "-r", "-0", zip, "."}, in);

  const double unzip = Best(5, [&] { MustRun({"unzip", "-Z1", zip}); });
  const double text = Best(5, [&] { MustRun({VFTOOL_PATH, "list", archive}); });
  const double json = Best(5, [&] { MustRun({VFTOOL_PATH, "list", "--json", archive}); });
  Report("vftool list, 100,000 entries", text * 1000, unzip * 1000, "ms", "<= 0.50");
  Report("vftool list --json, 100,000 entries", json * 1000, unzip * 1000, "ms", "<= 0.50");
  return 0;
}
