#include "base/safe_names.h"

#include <gtest/gtest.h>

TEST(SafeNames, RelativeNamesStayInsideTheirFolder) {
  const std::pair<std::string, bool> rows[] = {
      {"a.txt", true},
      {"sub\\a.txt", true},
      {"sub/a.txt", true},
      {"..a", true},
      {"console.txt", true},
      {"com10", true},
      {"\x95\x5C\\\x83\x5C.txt", true},  // 表\ソ.txt: trail bytes 0x5C are no delimiters
      {"\x95\x5C..txt", true},           // 表..txt is one component
      {"", false},
      {"..", false},
      {".", false},
      {"..\\evil", false},
      {"a\\..\\..\\evil", false},
      {"a/../b", false},
      {".. \\evil", false},  // Windows drops the trailing space
      {"...\\x", false},
      {"file.", false},      // names a different file than it says
      {"dir \\x", false},
      {"\\abs", false},
      {"/abs", false},
      {"\\\\server\\share\\x", false},
      {"C:evil", false},
      {"C:\\evil", false},
      {"a\\b:stream", false},
      {"a\\b::$DATA", false},
      {"a\\\\b", false},
      {"dir\\", false},
      {"CON", false},
      {"sub\\con.txt", false},
      {"Lpt1.log", false},
      {"COM9", false},
      {"nul", false},
      {"conout$", false},
      {"a?.txt", false},
      {"a*.txt", false},
      {"a|b", false},
      {std::string("a\nb"), false},
  };
  for (const auto& [name, safe] : rows) {
    SCOPED_TRACE(name);
    EXPECT_EQ(IsSafeRelativeName(name), safe);
  }
}

TEST(SafeNames, InstallFoldersAreFullyQualifiedAndNormalised) {
  const std::pair<std::string, std::string> rows[] = {
      {"C:\\Games\\Foo", "C:\\Games\\Foo"},
      {"c:/Games//Foo\\", "c:\\Games\\Foo"},
      {"D:\\Games\\.\\Foo\\..\\Bar", "D:\\Games\\Bar"},
      {"C:\\", "C:\\"},
      {"C:\\\x95\x5C", "C:\\\x95\x5C"},  // 表: its trail byte is no delimiter
      {"\\\\server\\share\\Games", "\\\\server\\share\\Games"},
      {"\\\\server\\share", "\\\\server\\share"},
      {"foo\\bar", ""},
      {"C:foo", ""},
      {"\\Games", ""},
      {"C:\\Games\\a?b", ""},
      {"C:\\Games\\a:b", ""},
      {"C:\\..\\Games", ""},
      {"C:\\Games\\CON", ""},
      {"C:\\Games \\Foo", ""},
      {"\\\\server", ""},
      {"1:\\x", ""},
      {"", ""},
  };
  for (const auto& [folder, normal] : rows) {
    SCOPED_TRACE(folder);
    const std::optional<std::string> got = NormalizeInstallFolder(folder);
    EXPECT_EQ(got.value_or(""), normal);
  }
}
