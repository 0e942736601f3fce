// vftool extract of 2,000 files (about 512 MiB, text-like and incompressible
// mixed) against unzip of the same files zipped. Goal: at least 1.2x unzip's
// throughput.
#include <sys/stat.h>

#include <cstdio>

#include "bench_util.h"

int main() {
  using namespace bench;
  if (!Have("zip") || !Have("unzip")) {
    std::fprintf(stderr, "bench_extract needs zip and unzip (apt-get install zip unzip)\n");
    return 1;
  }
  Scratch scratch;
  const std::string in = scratch.Path() + "/in";
  mkdir(in.c_str(), 0777);
  std::printf("writing 2,000 files...\n");
  std::fflush(stdout);
  double total = 0;
  for (int i = 0; i < 2000; ++i) {
    const std::string folder = in + "/part" + std::to_string(i / 100);
    mkdir(folder.c_str(), 0777);
    // 16 KiB to 1 MiB, half of them text, half incompressible (pictures, sound).
    const size_t n = (size_t{16} << 10) + (static_cast<size_t>(i) * 2654435761u) % ((size_t{496} << 10));
    const std::string bytes = i % 2 ? RandomBytes(n, static_cast<uint32_t>(i)) : TextLike(n, static_cast<uint32_t>(i));
    WriteFile(folder + "/file" + std::to_string(i) + (i % 2 ? ".ogg" : ".txt"), bytes);
    total += static_cast<double>(n);
  }
  std::printf("packing %.0f MiB...\n", total / (1 << 20));
  std::fflush(stdout);
  const std::string archive = scratch.Path() + "/game.dat", zip = scratch.Path() + "/game.zip";
  MustRun({VFTOOL_PATH, "pack", archive, in});
  MustRun({"zip", "-q", "-r", "-6", zip, "."}, in);

  const std::string out = scratch.Path() + "/out";
  const auto clear = [&] { RemoveTree(out); };
  const double unzip = Best(3, [&] { MustRun({"unzip", "-q", "-o", zip, "-d", out}); }, clear);
  const double ours = Best(3, [&] { MustRun({VFTOOL_PATH, "extract", archive, out}); }, clear);
  const double mib = total / (1 << 20);
  Report("vftool extract, 2,000 files", mib / ours, mib / unzip, "MiB/s", ">= 1.20");
  return 0;
}
