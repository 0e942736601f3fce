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
