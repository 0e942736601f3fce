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

TEST(SafeNames, VerdictNamesTheFaultAndAgreesWithIsSafe) {
  const struct {
    std::string name;
    TNameFault fault;
    std::string detail;  // the character, or the component at fault
  } rows[] = {
      {"a.txt", TNameFault::kNone, ""},
      {"\x95\x5C\\\x83\x5C.txt", TNameFault::kNone, ""},  // trail bytes 0x5C are no delimiters
      {"console.txt", TNameFault::kNone, ""},
      {"", TNameFault::kEmpty, ""},
      {"Q&A?.txt", TNameFault::kForbiddenCharacter, "?"},
      {"a<b", TNameFault::kForbiddenCharacter, "<"},
      {"a>b", TNameFault::kForbiddenCharacter, ">"},
      {"say\"hi\"", TNameFault::kForbiddenCharacter, "\""},
      {"a|b", TNameFault::kForbiddenCharacter, "|"},
      {"*.txt", TNameFault::kForbiddenCharacter, "*"},
      {"C:\\evil", TNameFault::kForbiddenCharacter, ":"},
      {"sub\\b::$DATA", TNameFault::kForbiddenCharacter, ":"},
      {std::string("tab\there"), TNameFault::kControlCharacter, "\t"},
      {std::string("a\x7F"), TNameFault::kNone, ""},  // DEL is allowed
      {"\\abs", TNameFault::kRooted, ""},
      {"/abs", TNameFault::kRooted, ""},
      {"//a.txt", TNameFault::kRooted, ""},
      {"\\\\server\\share\\x", TNameFault::kRooted, ""},
      {"a\\\\b", TNameFault::kEmptyPart, ""},
      {"dir\\", TNameFault::kEmptyPart, ""},
      {"..\\evil", TNameFault::kDotPart, ".."},
      {"a\\.\\b", TNameFault::kDotPart, "."},
      {"file.", TNameFault::kTrailingDotOrSpace, "."},
      {"dir \\x", TNameFault::kTrailingDotOrSpace, " "},
      {"con.txt", TNameFault::kDeviceName, "CON"},
      {"sub\\Lpt1.log", TNameFault::kDeviceName, "LPT1"},
      {"nul", TNameFault::kDeviceName, "NUL"},
      {"CONOUT$", TNameFault::kDeviceName, "CONOUT$"},
      {"com0.a.b", TNameFault::kDeviceName, "COM0"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const TNameVerdict v = CheckRelativeName(row.name);
    EXPECT_EQ(v.fault, row.fault);
    EXPECT_EQ(IsSafeRelativeName(row.name), row.fault == TNameFault::kNone);
    const std::string detail = row.fault == TNameFault::kForbiddenCharacter || row.fault == TNameFault::kControlCharacter ||
                                       row.fault == TNameFault::kTrailingDotOrSpace
                                   ? std::string(1, v.character)
                                   : v.part;
    if (row.fault == TNameFault::kTrailingDotOrSpace) EXPECT_NE(v.part.find(row.detail), std::string::npos);
    else EXPECT_EQ(detail, row.detail);
    EXPECT_EQ(DescribeNameFault(v).empty(), row.fault == TNameFault::kNone);
  }
}

TEST(SafeNames, DescriptionSaysWhichCharacterOrDevice) {
  const std::pair<std::string, std::string> rows[] = {
      {"Q&A?.txt", "\"?\" is not allowed in a name"},
      {"a:b", "\":\" is not allowed in a name (it names a drive or a stream)"},
      {std::string("a\nb"), "the control character 0x0A is not allowed in a name"},
      {"con.txt", "CON is a device name"},
      {"readme.txt.", "\"readme.txt.\" ends in a dot, which Windows drops"},
      {"dir \\x", "\"dir \" ends in a space"},
      {"..\\x", "\"..\" leads out of the folder"},
      {"\\x", "starts with a delimiter"},
      {"a\\\\b", "empty folder name"},
      {"", "the name is empty"},
  };
  for (const auto& [name, phrase] : rows) {
    SCOPED_TRACE(name);
    EXPECT_NE(DescribeNameFault(CheckRelativeName(name)).find(phrase), std::string::npos)
        << DescribeNameFault(CheckRelativeName(name));
  }
}
