// The end of the copy page's bar: the bytes the copy work copies. What a disc
// brings is known only once it is in (its loose files listed, its archive
// open); until then the disc's share of the package's sizes stands for it. A
// disc says what it expects before anything of it is copied and is settled by
// what it really copied when it is done, so the total of a finished run is
// exactly the bytes copied and the bar ends full, never before.
#pragma once

#include <cstdint>
#include <vector>

#include "settings/install_set.h"

class TCopyTotal {
 public:
  // estimates: for each disc, the bytes it is expected to bring (0 for a disc not chosen).
  explicit TCopyTotal(std::vector<int64_t> estimates = {}) : estimates_(std::move(estimates)) {}

  // Disc index is in and expects to bring expected bytes (its estimate gives
  // way); done: the bytes copied so far.
  void BeginDisc(int index, int64_t expected, int64_t done);
  // The disc is done, with done bytes copied in all: it counts what it copied.
  void EndDisc(int64_t done);
  // The bar's end with done bytes copied: never below done.
  int64_t Of(int64_t done) const;

 private:
  std::vector<int64_t> estimates_;
  int64_t settled_ = 0;        // what the discs done copied
  int64_t disc_expected_ = 0;  // what the disc under way expects
  int64_t disc_start_ = 0;     // the bytes copied when it began
};

// The bytes each disc is expected to bring, by disc: the settings' sizes of
// the chosen components on it (every component for an add-on), 0 for a disc
// not chosen.
std::vector<int64_t> DiscEstimates(const TZefoInstallSet& s, bool all_disks, bool data, bool sound, bool movie);
