#include "vftool/names.h"

#include <gtest/gtest.h>

using vftool::MatchesPattern;

TEST(VftoolNames, Patterns) {
  const struct {
    const char* name;
    const char* pattern;
    bool match;
  } rows[] = {
      {"readme.txt", "*.txt", true},
      {"README.TXT", "readme.*", true},
      {"doc\\readme.txt", "*.txt", true},
      {"doc\\readme.txt", "doc/*", true},
      {"doc\\readme.txt", "doc\\readme.tx?", true},
      {"readme.txt", "*.bin", false},
      {"a", "", false},
      {"", "*", true},
      {"abc", "a*b*c*", true},
      {"abc", "a*d", false},
      {"\x83\x41.txt", "?.txt", true},       // ア is one character
      {"\x83\x61.txt", "\x83\x41.txt", false},  // ヂ is not ア in another case
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.name) + " ~ " + row.pattern);
    EXPECT_EQ(MatchesPattern(row.name, row.pattern), row.match);
  }
}
