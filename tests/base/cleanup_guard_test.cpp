#include "base/cleanup_guard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

TEST(CleanupGuard, CleansUpOnEveryWayOutUnlessCancelled) {
  struct Case {
    const char* name;
    bool cancel;
    bool throws;
    int expected_runs;
  };
  const Case cases[] = {
      {"the scope ends", false, false, 1},
      {"an exception leaves the scope", false, true, 1},
      {"cancelled: the work succeeded", true, false, 0},
      {"cancelled, then an exception", true, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int runs = 0;
    try {
      CleanupGuard guard([&] { ++runs; });
      EXPECT_EQ(runs, 0);  // nothing runs before the scope ends
      if (c.cancel) guard.Cancel();
      if (c.throws) throw std::runtime_error("work failed");
    } catch (const std::runtime_error&) {
      EXPECT_TRUE(c.throws);
    }
    EXPECT_EQ(runs, c.expected_runs);
  }
}

TEST(CleanupGuard, CleanUpSeesTheStateAtTheEndOfTheScope) {
  // The clean-up captures by reference: it closes what is open when the scope ends.
  std::string log;
  {
    std::string file = "a.tmp";
    CleanupGuard remove([&] { log += "erase " + file; });
    file = "b.tmp";
  }
  EXPECT_EQ(log, "erase b.tmp");
}
