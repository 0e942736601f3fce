#include "base/sjis.h"

#include <gtest/gtest.h>

// Literals are compiled to Shift-JIS: ソ is 83 5C and 表 is 95 5C (trail byte
// "\"), ポ is 83 7C, ア is 83 41 (trail byte "A"), ａ is 82 81.
TEST(Sjis, LiteralsAreShiftJisBytes) {
  EXPECT_EQ(std::string("ソ"), "\x83\x5C");
  EXPECT_EQ(std::string("ア"), "\x83\x41");
}

TEST(Sjis, TrailByteBackslashIsNeverADelimiter) {
  EXPECT_EQ(sjis::FindLastChar("ソ", '\\'), std::string::npos);
  EXPECT_EQ(sjis::FindLastChar("a\\表", '\\'), 1u);
  EXPECT_EQ(sjis::FindLastChar("a\\表\\", '\\'), 4u);
  EXPECT_FALSE(sjis::EndsWithChar("フォルダ表", '\\'));
  EXPECT_TRUE(sjis::EndsWithChar("表\\", '\\'));
  EXPECT_EQ(sjis::FindChar("表\\x", '\\'), 2u);
}

TEST(Sjis, LoneLeadByteAtTheEndStandsAlone) {
  const std::string s = "ab\x83";
  EXPECT_EQ(sjis::CharLength(s, 2), 1u);
  EXPECT_EQ(sjis::AsciiUpper(s), "AB\x83");
}

TEST(Sjis, CaseFoldingTouchesOnlySingleByteLetters) {
  EXPECT_EQ(sjis::AsciiUpper("game.dat"), "GAME.DAT");
  // ア has the trail byte 0x41 ("A"): it must survive lower-casing unchanged.
  EXPECT_EQ(sjis::AsciiLower("アB"), "アb");
  EXPECT_EQ(sjis::AsciiUpper("\x83\x61z"), "\x83\x61Z");  // trail byte "a" kept
  EXPECT_EQ(sjis::AsciiLower("ＡＢ"), "ＡＢ");                // full-width letters are not folded
}

TEST(Sjis, NoCaseComparisonKeepsJapaneseNamesApart) {
  EXPECT_TRUE(sjis::EqualsNoCase("Install.DAT", "install.dat"));
  // 83 41 (ア) and 83 61 (the trail byte folded) are different characters.
  EXPECT_FALSE(sjis::EqualsNoCase("\x83\x41", "\x83\x61"));
  EXPECT_FALSE(sjis::EqualsNoCase("ア", "ab"));
  EXPECT_FALSE(sjis::EqualsNoCase("a", "ab"));
  EXPECT_LT(sjis::CompareNoCase("ABC", "abd"), 0);
  EXPECT_EQ(sjis::CompareNoCase("ソ\\X", "ソ\\x"), 0);
}

TEST(Sjis, PathsCompareWithEitherDelimiterAndAnyAsciiCase) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  };
  const Case cases[] = {
      {"Data\\Voice.VF", "data/voice.vf", true},
      {"a/b", "a\\b", true},
      {"C:\\ソフト\\表", "c:/ソフト/表", true},  // 83 5C and 95 5C stay characters
      {"ソ", "\x83/", false},                    // a trail byte 0x5C is not a delimiter
      {"\x83\x41", "\x83\x61", false},           // nor is a trail byte a letter
      {"a\\b", "a\\\\b", false},
      {"a/b", "a/bc", false},
      {"a:b", "a/b", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " | " + c.b);
    EXPECT_EQ(sjis::EqualsPathNoCase(c.a, c.b), c.same);
    EXPECT_EQ(sjis::EqualsPathNoCase(c.b, c.a), c.same);
  }
}

TEST(Sjis, SplitKeepsEveryPieceAndNoTrailByte) {
  using Parts = std::vector<std::string_view>;
  EXPECT_EQ(sjis::Split("a\\b/c", "\\/"), (Parts{"a", "b", "c"}));
  EXPECT_EQ(sjis::Split("a\\b/c", "\\"), (Parts{"a", "b/c"}));
  EXPECT_EQ(sjis::Split("\\a\\\\", "\\"), (Parts{"", "a", "", ""}));  // empty pieces are kept
  EXPECT_EQ(sjis::Split("", "\\"), (Parts{""}));
  EXPECT_EQ(sjis::Split("ソ\\表", "\\"), (Parts{"ソ", "表"}));            // 83 5C and 95 5C do not split
  EXPECT_EQ(sjis::Split("x\x83", "\\"), (Parts{"x\x83"}));             // a lone lead byte at the end
}

TEST(Sjis, ReplaceCharSkipsTrailBytes) {
  EXPECT_EQ(sjis::ReplaceChar("C:\\ソフト\\表\\", '\\', '-'), "C:-ソフト-表-");
}
