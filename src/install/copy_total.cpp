#include "install/copy_total.h"

#include <algorithm>

void TCopyTotal::BeginDisc(int index, int64_t expected, int64_t done) {
  if (index >= 0 && static_cast<size_t>(index) < estimates_.size()) estimates_[static_cast<size_t>(index)] = 0;
  disc_expected_ = std::max<int64_t>(expected, 0);
  disc_start_ = done;
}

void TCopyTotal::EndDisc(int64_t done) {
  settled_ += done - disc_start_;
  disc_expected_ = 0;
  disc_start_ = done;
}

int64_t TCopyTotal::Of(int64_t done) const {
  int64_t total = settled_ + std::max(disc_expected_, done - disc_start_);
  for (const int64_t e : estimates_) total += e;
  return std::max(total, done);
}

std::vector<int64_t> DiscEstimates(const TZefoInstallSet& s, bool all_disks, bool data, bool sound, bool movie) {
  const auto at = [](const std::vector<int64_t>& sizes, int32_t i) {
    return static_cast<size_t>(i) < sizes.size() && sizes[static_cast<size_t>(i)] > 0 ? sizes[static_cast<size_t>(i)] : 0;
  };
  const bool every = s.AddOn != 0;
  std::vector<int64_t> estimates;
  for (int32_t i = 0; i < s.DiskCount; ++i) {
    if (!all_disks && i != s.DiskIndex) {
      estimates.push_back(0);
      continue;
    }
    estimates.push_back(at(s.DiskProgramSize, i) + (every || data ? at(s.DiskDataSize, i) : 0) +
                        (every || sound ? at(s.DiskSoundSize, i) : 0) + (every || movie ? at(s.DiskMovieSize, i) : 0));
  }
  return estimates;
}
