// What one look for a later disc costs on the window's thread, which the
// disc prompt pays about once a second: the drives asked whether they are
// ready, then each place's install.dat read and judged.
//
//   bench_disc_look [N]   N looks (1000 if left out) at a folder holding disc
//                         1 of the set and every CD-ROM and removable drive;
//                         the baseline reads the same install.dat N times.
//
// Run it under Wine with the test prefix, or on Windows.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "base/fs.h"
#include "common/temp_dir.h"
#include "install/disc_lookup.h"
#include "os/disc_drives_win.h"

namespace {
using Clock = std::chrono::steady_clock;
double Microseconds(Clock::duration d, int n) { return std::chrono::duration<double, std::micro>(d).count() / n; }
}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 1000;
  if (n <= 0) return 2;
  testing_support::TempDir dir;
  TZefoInstallSet disc1;
  disc1.Title = "bench";
  disc1.SetDiskCount(2);
  disc1.SaveToFile(dir / "install.dat");

  auto t0 = Clock::now();
  for (int i = 0; i < n; ++i) {
    TZefoInstallSet read;
    read.LoadFromFile(dir / "install.dat");
  }
  const double baseline = Microseconds(Clock::now() - t0, n);

  size_t places = 0;
  bool found = false;
  t0 = Clock::now();
  for (int i = 0; i < n; ++i) {
    std::vector<TDiscPlace> look{{dir.Path()}};
    for (const DiscDrive& drive : DiscDrives()) look.push_back({drive.root, drive.ready});
    places = look.size();
    found = FindDisc(disc1, 1, look).found.has_value() || found;
  }
  const double one_look = Microseconds(Clock::now() - t0, n);
  std::printf("places per look: %zu (the folder and %zu drives)%s\n", places, places - 1, found ? " found!" : "");
  std::printf("one look: %.1f us; reading one install.dat alone: %.1f us\n", one_look, baseline);
  return 0;
}
