#include "archive/range_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// Takes count bytes in pieces of at most piece.
std::string Take(TRangeReader& r, int64_t count, int64_t piece) {
  std::string got;
  for (TReadAhead::TBlock b; count > 0 && (b = r.Take(std::min(piece, count))).size > 0; count -= b.size)
    got.append(reinterpret_cast<const char*>(b.data), static_cast<size_t>(b.size));
  return got;
}

}  // namespace

TEST(RangeReader, StretchesRestartsAndEnds) {
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>('a' + i % 26);
  TTpBigMemoryStream stream;
  stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  TReadAhead ahead(64, 3);  // blocks smaller than the pieces asked for, and larger
  TRangeReader r(ahead, stream);

  ASSERT_TRUE(r.Seek(10, 3000));
  EXPECT_EQ(Take(r, 100, 1000), bytes.substr(10, 100));
  ASSERT_TRUE(r.Seek(110, 3000));  // where the stretch goes on: kept
  EXPECT_EQ(Take(r, 200, 7), bytes.substr(110, 200));
  ASSERT_TRUE(r.Seek(2000, 2500));  // elsewhere: a new stretch
  EXPECT_EQ(Take(r, 1000, 1000), bytes.substr(2000, 500));  // and nothing past its end
  ASSERT_TRUE(r.Seek(2500, 4000));  // at the old end but reaching further: a new stretch
  EXPECT_EQ(Take(r, 1500, 300), bytes.substr(2500, 1500));
  ASSERT_TRUE(r.Seek(4900, 6000));  // the stream ends first
  EXPECT_EQ(Take(r, 1100, 1100), bytes.substr(4900));
  EXPECT_FALSE(r.Seek(6000, 7000));  // no byte there
  EXPECT_EQ(r.Take(10).size, 0);
}
