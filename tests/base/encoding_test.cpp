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
