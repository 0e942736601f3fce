// TTpRandom: the deterministic generator that scrambles archive directories
// and picture planes. Not a source of chance: the same seed gives the same
// sequence on every machine, and reader and writer must step it alike.
//
// One step: State = State * 5 + Seed (mod 2^32). Next() returns the new state
// as a signed value; Pick() draws from a pool 0..N-1 without repetition.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Seed of every generator that scrambles or unscrambles an archive directory.
constexpr int32_t ArchiveSeed = 1493826517;

class TTpRandom {
 public:
  explicit TTpRandom(int32_t seed) : seed_(static_cast<uint32_t>(seed)) {}

  int32_t Next() {
    Step();
    return static_cast<int32_t>(state_);
  }
  // Pool = 0, 1, ..., n-1 (previous content discarded); State is kept.
  void InitPool(int32_t n);
  // One step; removes and returns the pool entry at State mod (entries left),
  // the entries left keeping their order. The pool must not be empty.
  // O(log N); InitPool is O(N).
  int32_t Pick();

  uint32_t State() const { return state_; }
  int32_t PoolSize() const { return pool_size_; }
  size_t PoolLeft() const { return left_; }

 private:
  void Step() { state_ = state_ * 5u + seed_; }

  uint32_t seed_;
  uint32_t state_ = 0;
  // The pool as a Fenwick tree over 0..N-1: tree_[i] counts the numbers still
  // in the pool within the block of indices that ends at i (1-based). The
  // entry at a position of the shrinking pool is then found, and removed, in
  // O(log N) instead of closing up a vector in O(N).
  std::vector<int32_t> tree_;
  size_t left_ = 0;
  int32_t pool_size_ = 0;
};
