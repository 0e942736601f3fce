#include <windows.h>

#include <gtest/gtest.h>

#include "base/encoding.h"
#include "base/fs.h"
#include "base/os_file.h"
#include "common/temp_dir.h"
#include "os/exact_delete_win.h"
#include "os/files_win.h"

using testing_support::TempDir;

// An installation deeper than MAX_PATH once failed on every file with "More
// data available": its names did not fit a fixed buffer.
TEST(LongPaths, FilesBeyondThePlainLengthAreMadeNamedAndDeletedExactly) {
  TempDir dir;
  const std::string folder = dir / (std::string(120, 'a') + "\\" + std::string(120, 'b'));
  const std::string file = folder + "\\install.dat";
  ASSERT_GT(enc::Wide(file).size(), 260u);
  ASSERT_TRUE(fs::MakeDirectories(folder));
  OsFile::Options o;
  o.access = OsFile::kWrite;
  o.disposition = OsFile::Disposition::kCreateAlways;
  ASSERT_TRUE(OsFile::Open(file, o).IsOpen());
  EXPECT_TRUE(fs::FileExists(file));
  EXPECT_NE(FileAttributesOf(file), 0xFFFFFFFFu);

  const TFinalPath named = FinalPathOf(enc::Wide(file));
  EXPECT_TRUE(named.exists);
  EXPECT_EQ(named.error, 0u);
  EXPECT_EQ(named.name.size(), enc::Wide(file).size());
  EXPECT_EQ(DeleteExactly(enc::Wide(file), std::u16string(named.name.begin(), named.name.end())), TExactDelete::kDeleted);
  EXPECT_FALSE(fs::FileExists(file));
}

