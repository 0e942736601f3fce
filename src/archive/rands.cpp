#include "archive/rands.h"

#include <stdexcept>

void TTpRandom::InitPool(int32_t n) {
  pool_size_ = n;
  pool_.clear();
  if (n > 0) {
    pool_.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) pool_.push_back(i);
  }
}

int32_t TTpRandom::Pick() {
  if (pool_.empty()) throw std::logic_error("TTpRandom::Pick on an empty pool");
  Step();
  const size_t i = state_ % static_cast<uint32_t>(pool_.size());
  const int32_t value = pool_[i];
  // The later entries close up, as the permutation of the format requires.
  pool_.erase(pool_.begin() + static_cast<std::ptrdiff_t>(i));
  return value;
}
