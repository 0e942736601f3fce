#include "base/file_name_compare.h"

#include <gtest/gtest.h>

TEST(FileNameCompare, LettersOfEveryScriptTheFileSystemFoldsAreOneName) {
  struct Row {
    const char16_t* a;
    const char16_t* b;
    bool same;
  };
  const Row rows[] = {
      {u"Game.EXE", u"game.exe", true},
      {u"Ｄ.txt", u"ｄ.txt", true},              // full-width Latin
      {u"Äpfel\\Über", u"äpfel/über", true},    // Latin-1, "/" as "\"
      {u"ΑΒΓ", u"αβγ", true},                   // Greek
      {u"ΣΟΦΙΑ", u"σοφια", true},
      {u"Σ", u"ς", true},                       // final sigma
      {u"Ά", u"ά", true},
      {u"ДАННЫЕ", u"данные", true},             // Cyrillic
      {u"Ё", u"ё", true},
      {u"Ⅻ", u"ⅻ", true},                       // Roman numerals
      {u"Ł", u"ł", true},                       // Latin Extended-A, both pairings
      {u"Ž", u"ž", true},
      {u"Ā", u"ā", true},
      {u"ÿ", u"Ÿ", true},
      {u"ı", u"I", false},                      // dotless i keeps its own name
      {u"ß", u"SS", false},
      {u"×", u"÷", false},
      {u"が", u"カ", false},                     // kana have no case
      {u"ｶ", u"カ", false},
      {u"a", u"ab", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(&row - rows);
    EXPECT_EQ(SameFileName(row.a, row.b), row.same);
    EXPECT_EQ(SameFileName(row.b, row.a), row.same);
  }
}

TEST(FileNameCompare, TrailingDelimitersGoButARootKeepsItsOwn) {
  EXPECT_EQ(WithoutTrailingDelimiters(u"C:\\Games\\X\\/"), u"C:\\Games\\X");
  EXPECT_EQ(WithoutTrailingDelimiters(u"C:\\Games"), u"C:\\Games");
  EXPECT_EQ(WithoutTrailingDelimiters(u"C:\\"), u"C:\\");
  EXPECT_EQ(WithoutTrailingDelimiters(u"C:\\\\"), u"C:\\");
  EXPECT_EQ(WithoutTrailingDelimiters(u""), u"");
}

TEST(FileNameCompare, InsideAndAboveAreWholeFolders) {
  EXPECT_TRUE(IsInsideFolder(u"C:\\Games\\X\\a.txt", u"c:\\games\\x"));
  EXPECT_TRUE(IsInsideFolder(u"C:\\Games\\X\\a.txt", u"C:\\Games\\X\\"));
  EXPECT_FALSE(IsInsideFolder(u"C:\\Games\\X", u"C:\\Games\\X"));
  EXPECT_FALSE(IsInsideFolder(u"C:\\Games\\X2\\a.txt", u"C:\\Games\\X"));
  EXPECT_TRUE(IsSameOrAbove(u"C:\\Games", u"C:\\GAMES\\x"));
  EXPECT_TRUE(IsSameOrAbove(u"C:\\Games\\", u"C:\\Games"));
  EXPECT_FALSE(IsSameOrAbove(u"C:\\Games", u"C:\\Games2"));
  EXPECT_FALSE(IsSameOrAbove(u"C:\\Games\\x", u"C:\\Games"));
}
