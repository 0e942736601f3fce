#include "archive/rands.h"

#include <stdexcept>

void TTpRandom::InitPool(int32_t n) {
  pool_size_ = n;
  tree_.clear();
  left_ = 0;
  if (n <= 0) return;
  // Every number present: block i holds i & -i numbers. Built in O(N).
  const size_t count = static_cast<size_t>(n);
  tree_.assign(count + 1, 0);
  for (size_t i = 1; i <= count; ++i) tree_[i] = static_cast<int32_t>(i & (~i + 1));
  left_ = count;
}

int32_t TTpRandom::Pick() {
  if (left_ == 0) throw std::logic_error("TTpRandom::Pick on an empty pool");
  Step();
  // The position among the entries left, counted from 0.
  size_t rank = state_ % static_cast<uint32_t>(left_);
  // Descend the tree: the largest index whose prefix count is <= rank is the
  // one before the wanted entry.
  const size_t n = tree_.size() - 1;
  size_t top = 1;
  while (top * 2 <= n) top *= 2;
  size_t index = 0;
  for (size_t step = top; step > 0; step /= 2) {
    const size_t next = index + step;
    if (next <= n && static_cast<size_t>(tree_[next]) <= rank) {
      index = next;
      rank -= static_cast<size_t>(tree_[next]);
    }
  }
  // index + 1 (1-based) is the entry; it leaves the pool.
  for (size_t i = index + 1; i <= n; i += i & (~i + 1)) --tree_[i];
  --left_;
  return static_cast<int32_t>(index);
}
