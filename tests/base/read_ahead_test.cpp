#include "base/read_ahead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

// A source of 0, 1, 2, ... that hands out at most piece bytes a call and
// throws once fail_at bytes have been read (never when negative).
struct TCountingSource {
  int64_t size = 0, piece = 0, fail_at = -1, at = 0;
  std::atomic<int> calls{0};
  int64_t Read(uint8_t* buffer, int64_t count) {
    ++calls;
    if (fail_at >= 0 && at >= fail_at) throw std::runtime_error("unreadable");
    const int64_t n = std::min({count, piece, size - at});
    for (int64_t i = 0; i < n; ++i) buffer[i] = static_cast<uint8_t>(at + i);
    at += n;
    return n;
  }
};

}  // namespace

TEST(ReadAhead, HandsOutTheSourceInOrderUpToItsEndOrTheTotal) {
  struct Case {
    const char* what;
    int64_t size, piece, total, fail_at;
    int64_t expected;  // bytes handed out before the end (or the failure)
  };
  const Case cases[] = {
      {"whole blocks, source longer than total", 100000, 64, 40000, -1, 40000},
      {"source ends first", 1000, 64, 5000, -1, 1000},
      {"short reads inside the source are not its end", 3000, 7, 3000, -1, 3000},
      {"nothing to read", 0, 64, 100, -1, 0},
      {"the failure comes after what was read before it", 5000, 64, 5000, 2048, 2048},
  };
  // One worker and its blocks serve every source in turn.
  TReadAhead reader(64, 3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TCountingSource source;
    source.size = c.size, source.piece = c.piece, source.fail_at = c.fail_at;
    TReadAhead::TSource ahead(reader, [&](uint8_t* b, int64_t n) { return source.Read(b, n); }, c.total);
    int64_t seen = 0;
    bool failed = false;
    try {
      for (TReadAhead::TBlock b = ahead.Next(); b.size > 0; b = ahead.Next()) {
        for (int64_t i = 0; i < b.size; ++i) ASSERT_EQ(b.data[i], static_cast<uint8_t>(seen + i));
        seen += b.size;
      }
    } catch (const std::runtime_error&) {
      failed = true;
    }
    EXPECT_EQ(seen, c.expected);
    EXPECT_EQ(failed, c.fail_at >= 0);
  }
}

TEST(ReadAhead, AnOwnerThatStopsEarlyEndsTheReadingWithinTheBlocksAhead) {
  TReadAhead reader(16, 2);
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run == 0 ? "a source left early" : "the next source after it");
    TCountingSource source;
    source.size = int64_t{1} << 30, source.piece = 16;
    {
      TReadAhead::TSource ahead(reader, [&](uint8_t* b, int64_t n) { return source.Read(b, n); }, source.size);
      const TReadAhead::TBlock first = ahead.Next();
      ASSERT_EQ(first.size, 16);
      EXPECT_EQ(first.data[15], 15);  // the next source starts at its own start
    }
    // The block handed out and the one read ahead: the worker waits for room
    // and then sees the source left.
    const int calls = source.calls;
    EXPECT_LE(calls, 2);
  }
}

TEST(ReadAhead, FillsEveryBlockAheadAndNeverMore) {
  // What bounds the memory of a copy: while the owner holds one block, the
  // worker fills the others and waits for room, however many there are.
  for (const int blocks : {2, 16}) {
    SCOPED_TRACE(blocks);
    TReadAhead reader(16, blocks);
    TCountingSource source;
    source.size = 16 * 100, source.piece = 16;  // one call a block
    TReadAhead::TSource ahead(reader, [&](uint8_t* b, int64_t n) { return source.Read(b, n); }, source.size);
    const auto settled_calls = [&](int expected) {
      for (int i = 0; i < 5000 && source.calls < expected; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::this_thread::sleep_for(std::chrono::milliseconds(5));  // room for one read too many
      return source.calls.load();
    };
    int taken = 0;
    for (TReadAhead::TBlock b = ahead.Next(); b.size > 0; b = ahead.Next()) {
      ASSERT_EQ(b.data[0], static_cast<uint8_t>(16 * taken));
      ++taken;
      if (taken == 1 || taken == 50) {
        EXPECT_EQ(settled_calls(taken + blocks - 1), taken + blocks - 1);
      }
      EXPECT_LE(source.calls, taken + blocks - 1);
    }
    EXPECT_EQ(taken, 100);
  }
}
