#include "base/fs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "base/paths.h"
#include "common/temp_dir.h"

using testing_support::TempDir;

TEST(Fs, MakeDirectoriesCreatesParents) {
  TempDir dir;
  const std::string deep = dir / "a/b/ソ表/c";
  EXPECT_TRUE(fs::MakeDirectories(deep));
  EXPECT_TRUE(fs::DirectoryExists(deep));
  EXPECT_TRUE(fs::MakeDirectories(deep + kPathDelimiter));  // already there
  EXPECT_FALSE(fs::FileExists(deep));
}

TEST(Fs, FileAgeRoundTripsThePackedDate) {
  TempDir dir;
  const std::string f = dir / "t.txt";
  testing_support::WriteFileBytes(f, "x");
  // 2003-04-05 06:07:08 local time.
  const int32_t dos = static_cast<int32_t>(((2003 - 1980) << 25) | (4 << 21) | (5 << 16) | (6 << 11) | (7 << 5) | 4);
  ASSERT_TRUE(fs::SetFileAge(f, dos));
  EXPECT_EQ(fs::FileAge(f), dos);
  EXPECT_EQ(fs::FileAge(dir / "missing"), -1);
}

TEST(Fs, FileSizeOfIsZeroForMissingFiles) {
  TempDir dir;
  testing_support::WriteFileBytes(dir / "f", "12345");
  EXPECT_EQ(fs::FileSizeOf(dir / "f"), 5);
  EXPECT_EQ(fs::FileSizeOf(dir / "none"), 0);
}

TEST(Fs, WriteFileReplacingPutsTheWholeFileInPlace) {
  TempDir dir;
  const std::string f = dir / "install.dat";
  testing_support::WriteFileBytes(f, "old content");
  ASSERT_TRUE(fs::WriteFileReplacing(f, "new", 3));
  EXPECT_EQ(testing_support::ReadFileBytes(f), "new");
  std::vector<fs::DirEntry> entries;
  ASSERT_TRUE(fs::ListDirectory(dir.Path(), &entries));
  EXPECT_EQ(entries.size(), 1u);  // no temporary left behind
  // A target in a folder that does not exist fails and leaves nothing.
  EXPECT_FALSE(fs::WriteFileReplacing(dir / "none/install.dat", "x", 1));
}

#ifndef _WIN32
TEST(Fs, ListedNamesAreExactNotTyped) {
  // "a〜b" (U+301C) is another file than "a～b" (U+FF5E, which code page 932
  // holds): listed as "a?b", never as the other file's name.
  TempDir dir;
  for (const char* name : {"a\xE3\x80\x9C" "b", "c\xEF\xBD\x9E" "d"}) {
    const std::string path = fs::NativePath(dir.Path()) + name;
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr) << path;
    std::fclose(f);
  }
  std::vector<fs::DirEntry> entries;
  ASSERT_TRUE(fs::ListDirectory(dir.Path(), &entries));
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a?b", "c\x81\x60" "d"}));
}
#endif
