// Every input that once broke a reader (a crash, a sanitizer report, a hang,
// too much memory) stays in fuzz/regressions/<target>/ and is replayed here
// through the same target body the fuzzer ran.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/fs.h"
#include "common/temp_dir.h"
#include "targets.h"

namespace {

const char* const kTargets[] = {"settings", "archive", "gale", "png", "json", "uninstall"};

std::vector<std::string> InputsOf(const std::string& target) {
  std::vector<fs::DirEntry> entries;
#ifdef _WIN32
  const std::string folder = std::string(ZI_REGRESSIONS) + "\\" + target;
#else
  const std::string folder = std::string(ZI_REGRESSIONS) + "/" + target;
#endif
  std::vector<std::string> files;
  if (!fs::ListDirectory(folder, &entries)) return files;
  for (const fs::DirEntry& e : entries)
    if (!e.is_directory) files.push_back(folder + (folder.find('\\') != std::string::npos ? "\\" : "/") + e.name);
  std::sort(files.begin(), files.end());
  return files;
}

class FuzzRegression : public testing::TestWithParam<const char*> {};

TEST_P(FuzzRegression, EveryKeptInputEndsCleanly) {
  testing_support::TempDir scratch;
  zifuzz::SetScratchFolder(scratch.Path());
  for (const std::string& file : InputsOf(GetParam())) {
    SCOPED_TRACE(file);
    const std::string bytes = testing_support::ReadFileBytes(file);
    // A finding throws (a broken contract) or crashes the test program; a
    // hang meets the test's time limit.
    EXPECT_NO_THROW(zifuzz::RunTarget(GetParam(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegression, testing::ValuesIn(kTargets));

TEST(FuzzRegression, TheReproducersOfTheFirstPassAreKept) {
  // The folder is found and holds what the first fuzzing pass found.
  EXPECT_GE(InputsOf("gale").size(), 4u);
  EXPECT_GE(InputsOf("json").size(), 1u);
  EXPECT_FALSE(zifuzz::RunTarget("no-such-target", nullptr, 0));
}

}  // namespace
