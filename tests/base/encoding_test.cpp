#include "base/encoding.h"

#include <gtest/gtest.h>

TEST(Encoding, ShiftJisToUtf16AndBack) {
  const std::string sjis = "警告ソ表\\a";  // compiled to Shift-JIS
  const std::u16string wide = enc::SjisToUtf16(sjis);
  EXPECT_EQ(wide, u"警告ソ表\\a");
  bool lossless = true;
  EXPECT_EQ(enc::Utf16ToSjis(wide, &lossless), sjis);
  EXPECT_TRUE(lossless);
}

TEST(Encoding, Utf8RoundTrip) {
  const std::string utf8 = u8"インストール設定ファイル \\ x";
  const std::string sjis = enc::Utf8ToSjis(utf8);
  EXPECT_EQ(sjis, "インストール設定ファイル \\ x");
  EXPECT_EQ(enc::SjisToUtf8(sjis), utf8);
}

TEST(Encoding, UnrepresentableCharactersAreReported) {
  bool lossless = true;
  const std::string out = enc::Utf8ToSjis(u8"a\U0001F600b", &lossless);
  EXPECT_FALSE(lossless);
  EXPECT_EQ(out.front(), 'a');
  EXPECT_EQ(out.back(), 'b');
}

TEST(Encoding, BrokenInputGivesReplacementCharacters) {
  EXPECT_EQ(enc::Utf8ToUtf16("a\xC0\xAF" "b"), u"a\uFFFD\uFFFDb");  // an overlong "/" is not a slash
  EXPECT_EQ(enc::Utf8ToUtf16("\xE3\x81"), u"\uFFFD\uFFFD");          // cut off
  EXPECT_EQ(enc::Utf16ToUtf8(u"\xD800x"), u8"\uFFFDx");               // lone surrogate
  EXPECT_EQ(enc::Utf16ToUtf8(u"\U0001F600"), u8"\U0001F600");
}

// The one UTF-8 decoder: each form at the edge of what is a character.
TEST(Encoding, DecodeUtf8TakesExactlyTheCharacters) {
  struct Case {
    std::string bytes;
    size_t length;  // 0: not a character
    char32_t code_point;
  };
  const Case cases[] = {
      {"A", 1, U'A'},
      {"\x7F", 1, 0x7F},
      {"\xC2\x80", 2, 0x80},                  // the first two-byte character
      {"\xC1\xBF", 0, 0},                     // overlong 0x7F
      {"\xDF\xBF", 2, 0x7FF},
      {"\xE0\x9F\xBF", 0, 0},                 // overlong 0x7FF
      {"\xE0\xA0\x80", 3, 0x800},
      {"\xED\x9F\xBF", 3, 0xD7FF},
      {"\xED\xA0\x80", 0, 0},                 // a surrogate
      {"\xEE\x80\x80", 3, 0xE000},
      {"\xF0\x8F\xBF\xBF", 0, 0},             // overlong 0xFFFF
      {"\xF0\x90\x80\x80", 4, 0x10000},
      {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
      {"\xF4\x90\x80\x80", 0, 0},             // beyond U+10FFFF
      {"\xF8\x88\x80\x80\x80", 0, 0},         // a five-byte form
      {"\x80", 0, 0},                          // a stray continuation byte
      {"\xE3\x81", 0, 0},                      // cut at the end
      {"\xE3\x41\x82", 0, 0},                  // cut by an ASCII byte
      {"\xE3\x81\x82x", 3, 0x3042},            // the bytes after it are not taken
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    char32_t cp = 0;
    EXPECT_EQ(enc::DecodeUtf8(c.bytes, 0, &cp), c.length);
    if (c.length) {
      EXPECT_EQ(cp, c.code_point);
    }
  }
  // Decoding starts at the offset given.
  char32_t cp = 0;
  EXPECT_EQ(enc::DecodeUtf8("ab\xC3\xA9", 2, &cp), 2u);
  EXPECT_EQ(cp, 0xE9u);
}

TEST(Encoding, AppendUtf8WritesEachLength) {
  std::string out;
  for (const char32_t cp : {U'\x7F', U'\x80', U'\x7FF', U'\x800', U'\xFFFF', U'\x10000', U'\x10FFFF'}) {
    const size_t at = out.size();
    enc::AppendUtf8(&out, cp);
    char32_t back = 0;
    EXPECT_EQ(enc::DecodeUtf8(out, at, &back), out.size() - at);
    EXPECT_EQ(back, cp);
  }
  EXPECT_EQ(out.size(), 1u + 2 + 2 + 3 + 3 + 4 + 4);
}

TEST(Encoding, NothingIsApproximatedTowardsCodePage932) {
  // Best fit once turned "ë" into "e" and "¥" into 0x5C, the path delimiter.
  struct Case {
    std::u16string text;
    std::string expected;
  } cases[] = {
      {u"Zo\u00EB", "Zo?"},
      {u"C:\\\u00A5x", "C:\\?x"},
      {u"\u203E", "?"},            // OVERLINE, once 0x7E
      {u"a\U0001F600b", "a?b"},    // one "?" for a surrogate pair
      {u"\xD800z", "?z"},          // a lone surrogate
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(enc::Utf16ToUtf8(c.text));
    bool lossless = true;
    EXPECT_EQ(enc::Utf16ToSjis(c.text, &lossless), c.expected);
    EXPECT_FALSE(lossless);
    lossless = true;
    EXPECT_EQ(enc::Utf16ToSjisExact(c.text, &lossless), c.expected);
    EXPECT_FALSE(lossless);
  }
}

TEST(Encoding, InputMethodCharactersTakeTheirCodePage932Codes) {
  // What Linux and macOS input methods type, and the code each stands for.
  struct Case {
    char16_t typed;
    const char* sjis;
    char16_t read_back;
  } cases[] = {
      {u'\u301C', "\x81\x60", u'\uFF5E'},  // WAVE DASH
      {u'\u2212', "\x81\x7C", u'\uFF0D'},  // MINUS SIGN
      {u'\u2014', "\x81\x5C", u'\u2015'},  // EM DASH
      {u'\u00A2', "\x81\x91", u'\uFFE0'},  // CENT SIGN
      {u'\u00A3', "\x81\x92", u'\uFFE1'},  // POUND SIGN
      {u'\u00AC', "\x81\xCA", u'\uFFE2'},  // NOT SIGN
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.typed));
    const std::u16string typed = std::u16string(u"a") + c.typed + u"b";
    bool lossless = true;
    EXPECT_EQ(enc::Utf16ToSjis(typed, &lossless), std::string("a") + c.sjis + "b");
    EXPECT_TRUE(lossless);
    EXPECT_EQ(enc::Utf8ToSjis(enc::Utf16ToUtf8(typed)), std::string("a") + c.sjis + "b");
    // The Windows counterpart converts to the same code, and the code reads
    // back as the Windows counterpart.
    EXPECT_EQ(enc::Utf16ToSjis(std::u16string(1, c.read_back)), c.sjis);
    EXPECT_EQ(enc::SjisToUtf16(c.sjis), std::u16string(1, c.read_back));
    // Names of files are not typed text: there the two are different names.
    lossless = true;
    EXPECT_EQ(enc::Utf16ToSjisExact(typed, &lossless), "a?b");
    EXPECT_FALSE(lossless);
  }
}

TEST(Encoding, TheFirstCharacterCodePage932CannotHoldIsNamed) {
  const struct {
    std::u16string text, first;
    std::string name;
  } rows[] = {
      {u"C:\\Games\\Zo\u00EB\\DemoGame", u"\u00EB", "U+00EB"},
      {u"C:\\ゲーム\\ソフト", u"", ""},
      {u"C:\\Games\\\u00A5", u"\u00A5", "U+00A5"},  // approximated as 0x5C by the tables, the delimiter: not held
      {u"C:\\a\\\U0001F600\\\u00E9", u"\U0001F600", "U+1F600"},  // a surrogate pair is one character
      {u"C:\\Ωmega\\\u00EF", u"\u00EF", "U+00EF"},  // Ω is in code page 932, ï is not
      {u"", u"", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(enc::Utf16ToUtf8(row.text));
    EXPECT_EQ(enc::FirstCharWithoutCp932(row.text), row.first);
    EXPECT_EQ(enc::CodePointName(row.first), row.name);
  }
}
