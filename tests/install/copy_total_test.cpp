#include "install/copy_total.h"

#include <gtest/gtest.h>

TEST(CopyTotal, EstimatesGiveWayToWhatEachDiscCopies) {
  // Two discs expected to bring 100 and 200 bytes; disc 1 really expects 95
  // and brings 90 (a file shrank), disc 2 expects 280 and brings 300.
  enum Op { kBegin, kEnd, kLook };
  const struct {
    const char* what;
    Op op;
    int64_t expected, done, total;
  } steps[] = {
      {"before anything", kLook, 0, 0, 300},
      {"disc 1 is in", kBegin, 95, 0, 295},
      {"part of it copied", kLook, 0, 50, 295},
      {"it is done", kEnd, 0, 90, 290},
      {"the bar during the disc prompt: disc 2 still estimated", kLook, 0, 90, 290},
      {"disc 2 is in", kBegin, 280, 90, 370},
      {"copying more than expected never passes the end", kLook, 0, 380, 380},
      {"it is done: the total is what was copied", kEnd, 0, 390, 390},
  };
  TCopyTotal total({100, 200});
  int disc = 0;
  for (const auto& s : steps) {
    SCOPED_TRACE(s.what);
    if (s.op == kBegin) total.BeginDisc(disc++, s.expected, s.done);
    if (s.op == kEnd) total.EndDisc(s.done);
    EXPECT_EQ(total.Of(s.done), s.total);
  }
}

TEST(CopyTotal, DiscEstimatesOfTheChosenComponents) {
  TZefoInstallSet s;
  s.SetDiskCount(2);
  s.DiskProgramSize = {1, 10};
  s.DiskDataSize = {100, 1000};
  s.DiskSoundSize = {10000, 0};
  s.DiskMovieSize = {0, 100000};
  s.DiskIndex = 1;
  const struct {
    const char* what;
    bool all, data, sound, movie, add_on;
    std::vector<int64_t> estimates;
  } rows[] = {
      {"every disc, program only", true, false, false, false, false, {1, 10}},
      {"every disc, everything", true, true, true, true, false, {10101, 101010}},
      {"this disc (the second), data", false, true, false, false, false, {0, 1010}},
      {"an add-on takes every component", false, false, false, false, true, {0, 101010}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    s.AddOn = row.add_on;
    EXPECT_EQ(DiscEstimates(s, row.all, row.data, row.sound, row.movie), row.estimates);
  }
}
