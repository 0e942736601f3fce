#include "base/paths.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#define D "\\"
#else
#define D "/"
#endif

TEST(Paths, AddTrailingDelimiter) {
  EXPECT_EQ(AddTrailingDelimiter(""), D);
  EXPECT_EQ(AddTrailingDelimiter("C:\\Game\\"), "C:\\Game\\");
  // The last byte of 表 is 0x5C but not a delimiter: one is appended.
  EXPECT_EQ(AddTrailingDelimiter("C:\\表"), "C:\\表" D);
}

// Windows folders on any build: only "\\" counts, "/" is a byte like any other.
TEST(Paths, TrailingBackslashOfWindowsFolders) {
  struct Case {
    const char* folder;
    const char* with;
    const char* without;
  };
  const Case cases[] = {
      {"", "\\", ""},
      {"C:\\Game", "C:\\Game\\", "C:\\Game"},
      {"C:\\Game\\", "C:\\Game\\", "C:\\Game"},
      {"C:\\表", "C:\\表\\", "C:\\表"},  // 95 5C ends in no delimiter
      {"C:/Game/", "C:/Game/\\", "C:/Game/"},
      {"C:\\Game\\\\", "C:\\Game\\\\", "C:\\Game\\"},  // one delimiter removed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    EXPECT_EQ(AddTrailingBackslash(c.folder), c.with);
    EXPECT_EQ(RemoveTrailingBackslash(c.folder), c.without);
  }
}

TEST(Paths, ParentKeyPath) {
  EXPECT_EQ(ParentKeyPath("Company\\Product\\"), "Company");
  EXPECT_EQ(ParentKeyPath("Company\\Product"), "Company");
  EXPECT_EQ(ParentKeyPath("Product"), "");
  EXPECT_EQ(ParentKeyPath(""), "");
  EXPECT_EQ(ParentKeyPath("会社\\ソ"), "会社");  // the trailing 0x5C of ソ is not a delimiter
}

TEST(Paths, SplittingNames) {
  EXPECT_EQ(ExtractFilePath("C:\\Game\\game.dat"), "C:\\Game\\");
  EXPECT_EQ(ExtractFileName("C:\\Game\\game.dat"), "game.dat");
  EXPECT_EQ(ExtractFileExt("C:\\Game.v1\\game.dat"), ".dat");
  EXPECT_EQ(ExtractFileExt("C:\\Game.v1\\data"), "");
  EXPECT_EQ(ChangeFileExt("C:\\g\\game.dat", ".ext"), "C:\\g\\game.ext");
  EXPECT_EQ(ChangeFileExt("data", ""), "data");
  EXPECT_EQ(ExtractFileName("表\\ソ.txt"), "ソ.txt");
  EXPECT_EQ(ExtractFileDir("C:\\a"), "C:\\");
  EXPECT_EQ(ExtractFileDir("C:\\a\\b"), "C:\\a");
}

TEST(Paths, GroupThousands) {
  EXPECT_EQ(GroupThousands(0), "0");
  EXPECT_EQ(GroupThousands(100), "100");
  EXPECT_EQ(GroupThousands(1000), "1,000");
  EXPECT_EQ(GroupThousands(1234), "1,234");
  EXPECT_EQ(GroupThousands(1234567), "1,234,567");
  EXPECT_EQ(GroupThousands(123456), "123,456");
  EXPECT_EQ(GroupThousands(-1234), "-1,234");
}
