#include "archive/rands.h"

#include <gtest/gtest.h>

TEST(TpRandom, SeedOneGivesTheWorkedSequence) {
  TTpRandom r(1);
  for (int32_t expected : {1, 6, 31, 156, 781}) EXPECT_EQ(r.Next(), expected);
}

TEST(TpRandom, KthOutputIsSeedTimesGeometricSum) {
  TTpRandom r(ArchiveSeed);
  uint32_t sum = 0, power = 1;  // (5^k - 1) / 4 = 1 + 5 + ... + 5^(k-1), mod 2^32
  for (int k = 1; k <= 50; ++k) {
    sum += power;
    power *= 5u;
    SCOPED_TRACE(k);
    EXPECT_EQ(static_cast<uint32_t>(r.Next()), static_cast<uint32_t>(ArchiveSeed) * sum);
  }
}

TEST(TpRandom, PickDrawsThePoolInTheWorkedOrder) {
  TTpRandom r(1);
  r.InitPool(4);
  EXPECT_EQ(r.Pick(), 1);
  EXPECT_EQ(r.Pick(), 0);
  EXPECT_EQ(r.Pick(), 3);
  EXPECT_EQ(r.Pick(), 2);
  EXPECT_EQ(r.PoolLeft(), 0u);
}

TEST(TpRandom, InitPoolKeepsTheState) {
  TTpRandom a(7), b(7);
  a.Next();
  a.Next();
  a.InitPool(10);
  b.Next();
  b.Next();
  const uint32_t next_state = b.State() * 5u + 7u;
  EXPECT_EQ(a.Pick(), static_cast<int32_t>(next_state % 10u));
}

TEST(TpRandom, PoolEdgeCases) {
  TTpRandom r(ArchiveSeed);
  r.InitPool(0);
  EXPECT_EQ(r.PoolLeft(), 0u);
  EXPECT_THROW(r.Pick(), std::logic_error);
  r.InitPool(1);
  EXPECT_EQ(r.Pick(), 0);
  // Every number exactly once.
  r.InitPool(1000);
  std::vector<bool> seen(1000);
  for (int i = 0; i < 1000; ++i) {
    const int32_t v = r.Pick();
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 1000);
    EXPECT_FALSE(seen[v]);
    seen[v] = true;
  }
}

TEST(TpRandom, StateWrapsAt32Bits) {
  TTpRandom zero(0);
  EXPECT_EQ(zero.Next(), 0);  // seed 0: masks leave data unchanged
  TTpRandom r(-1);            // the seed's bit pattern is added
  EXPECT_EQ(r.Next(), -1);
  EXPECT_EQ(static_cast<uint32_t>(r.Next()), 0xFFFFFFFFu * 5u + 0xFFFFFFFFu);
}

namespace {

// The pool drawn as the format describes it, by closing up a vector after
// every pick: the order the tree must give exactly.
std::vector<int32_t> ClosingUpOrder(int32_t seed, int warmup, int32_t n) {
  uint32_t state = 0;
  for (int i = 0; i < warmup; ++i) state = state * 5u + static_cast<uint32_t>(seed);
  std::vector<int32_t> pool(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) pool[static_cast<size_t>(i)] = i;
  std::vector<int32_t> order;
  while (!pool.empty()) {
    state = state * 5u + static_cast<uint32_t>(seed);
    const size_t i = state % static_cast<uint32_t>(pool.size());
    order.push_back(pool[i]);
    pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return order;
}

}  // namespace

TEST(TpRandom, PickGivesTheClosingUpOrderForEverySize) {
  std::vector<int32_t> sizes;
  for (int32_t n = 1; n <= 70; ++n) sizes.push_back(n);
  for (int32_t n : {127, 128, 129, 255, 256, 257, 1000, 1023, 1024, 1025, 4099, 20000}) sizes.push_back(n);
  for (const int32_t seed : {1, ArchiveSeed, -1, 0, 12345, 0x40000000}) {
    for (const int warmup : {0, 3}) {
      for (const int32_t n : sizes) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << " warm-up " << warmup << " n " << n);
        TTpRandom r(seed);
        for (int i = 0; i < warmup; ++i) r.Next();
        r.InitPool(n);
        std::vector<int32_t> order;
        for (int32_t i = 0; i < n; ++i) order.push_back(r.Pick());
        ASSERT_EQ(order, ClosingUpOrder(seed, warmup, n));
        EXPECT_EQ(r.PoolLeft(), 0u);
        EXPECT_THROW(r.Pick(), std::logic_error);
      }
    }
  }
}

TEST(TpRandom, ANewPoolAfterAPartlyDrawnOneStartsWhole) {
  TTpRandom a(77), b(77);
  a.InitPool(50);
  for (int i = 0; i < 20; ++i) a.Pick();
  for (int i = 0; i < 20; ++i) b.Next();
  a.InitPool(9);
  b.InitPool(9);
  EXPECT_EQ(a.PoolLeft(), 9u);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(a.Pick(), b.Pick());
}

TEST(TpRandom, AMillionEntryPoolIsAPermutation) {
  // The size of a picture's scrambled rows that a few KB of file can ask for.
  constexpr int32_t n = 1000000;
  TTpRandom r(ArchiveSeed);
  r.InitPool(n);
  std::vector<bool> seen(n);
  for (int32_t i = 0; i < n; ++i) {
    const int32_t v = r.Pick();
    ASSERT_TRUE(v >= 0 && v < n && !seen[static_cast<size_t>(v)]) << v;
    seen[static_cast<size_t>(v)] = true;
  }
}
