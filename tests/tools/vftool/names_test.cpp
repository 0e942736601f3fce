#include "vftool/names.h"

#include <gtest/gtest.h>

using vftool::IsSafeRelativeName;
using vftool::MatchesPattern;

TEST(VftoolNames, SafeRelativeNames) {
  const std::pair<std::string, bool> rows[] = {
      {"a.txt", true},
      {"sub\\a.txt", true},
      {"sub/a.txt", true},
      {"file.", true},
      {"..a", true},
      {"\x95\x5C\\\x83\x5C.txt", true},  // 表\ソ.txt: trail bytes 0x5C are no delimiters
      {"\x95\x5C..", true},              // 表.. is one component, not ".."
      {"", false},
      {"..", false},
      {"..\\evil", false},
      {"a\\..\\..\\evil", false},
      {"a/../b", false},
      {".. \\evil", false},  // Windows drops the trailing space
      {"...\\x", false},
      {"\\abs", false},
      {"/abs", false},
      {"C:evil", false},
      {"a\\b:stream", false},
      {"a\\\\b", false},
      {"dir\\", false},
      {std::string("a\nb"), false},
  };
  for (const auto& [name, safe] : rows) {
    SCOPED_TRACE(name);
    EXPECT_EQ(IsSafeRelativeName(name), safe);
  }
}

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
