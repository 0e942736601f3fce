#include "common/cli.h"

#include <gtest/gtest.h>

TEST(ToolCli, Utf8ToSjisRefusesWhatCodePage932CannotSpell) {
  for (const auto convert : {tools::Utf8PathToSjis, tools::Utf8NameToSjis}) {
    std::string out;
    ASSERT_TRUE(convert(u8"表示.txt", &out));
    EXPECT_EQ(out, "\x95\x5C\x8E\xA6.txt");
    EXPECT_EQ(tools::SjisToUtf8(out), u8"表示.txt");
    EXPECT_FALSE(convert(u8"\U0001F600.txt", &out));  // no code page 932 form
    EXPECT_FALSE(convert("\xFF", &out));                // not UTF-8
  }
}

TEST(ToolCli, PathsAreNeverTakenForAnotherFileNamesAreTakenAsTyped) {
  // U+301C is another file than U+FF5E, which is what 0x8160 reads back as.
  std::string out;
  EXPECT_FALSE(tools::Utf8PathToSjis(u8"a\u301C.txt", &out));
  ASSERT_TRUE(tools::Utf8NameToSjis(u8"a\u301C.txt", &out));
  EXPECT_EQ(out, "a\x81\x60.txt");
}
