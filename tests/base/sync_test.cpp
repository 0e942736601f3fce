#include "base/sync.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(Sync, AWaitLetsTheOtherThreadInAndHoldsTheLockAgainWhenItReturns) {
  // Two threads count in turns under the lock: a wait that kept the lock, or
  // returned without it, would hang or lose turns and counts.
  TMutex mutex;
  TCondition changed;
  int turn = 0, count = 0;
  std::vector<int> order;
  const auto take_turns = [&](int me) {
    for (int i = 0; i < 500; ++i) {
      std::unique_lock<TMutex> lock(mutex);
      changed.Wait(lock, [&] { return turn == me; });
      order.push_back(me);
      ++count;
      turn = 1 - me;
      changed.WakeAll();
    }
  };
  std::thread other(take_turns, 1);
  take_turns(0);
  other.join();
  EXPECT_EQ(count, 1000);
  ASSERT_EQ(order.size(), 1000u);
  for (size_t i = 0; i < order.size(); ++i) ASSERT_EQ(order[i], static_cast<int>(i % 2)) << i;
  // Released at the end: a lock_guard takes it at once.
  const std::lock_guard<TMutex> again(mutex);
}
