#include "base/run_log.h"

#include <gtest/gtest.h>

#include "common/temp_dir.h"

using testing_support::TempDir;

namespace {

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(RunLog, AContinuingRunAppendsWhereAnotherReplaces) {
  TempDir dir;
  const std::string path = dir / "run.log";
  {
    TRunLog first(path, "install.exe first");
    first.Line("asked for administrator rights");
  }
  {
    TRunLog restart(path, "install.exe restart", true);
    restart.Line("copied\r\ntwo files");
  }
  std::string text = testing_support::ReadFileBytes(path);
  EXPECT_EQ(Count(text, "install.exe first"), 1u);
  EXPECT_EQ(Count(text, "install.exe restart"), 1u);
  EXPECT_LT(text.find("asked for administrator rights"), text.find("install.exe restart"));
  EXPECT_NE(text.find("copied / two files"), std::string::npos);

  // Appending to a log that is not there yet creates it; a new run replaces it.
  const std::string fresh = dir / "fresh.log";
  { TRunLog(fresh, "install.exe restart", true); }
  EXPECT_EQ(Count(testing_support::ReadFileBytes(fresh), "install.exe restart"), 1u);
  { TRunLog(path, "install.exe again"); }
  text = testing_support::ReadFileBytes(path);
  EXPECT_EQ(Count(text, "install.exe first"), 0u);
  EXPECT_EQ(Count(text, "install.exe again"), 1u);
  EXPECT_ANY_THROW(TRunLog(dir / "no folder/x.log", "install.exe", true));
}
